#include "install/work_folder_rules.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(WorkFolderCandidate, TempFirstThenNamesOfTheWizardsOwn) {
  EXPECT_EQ(WorkFolderCandidate("C:\\下载\\", 0), "C:\\下载\\temp");
  EXPECT_EQ(WorkFolderCandidate("C:\\下载\\", 1), "C:\\下载\\temp.orvane");
  EXPECT_EQ(WorkFolderCandidate("C:\\下载\\", 2), "C:\\下载\\temp.orvane2");
  EXPECT_EQ(WorkFolderCandidate("C:\\下载\\", kWorkFolderCandidates - 1), "C:\\下载\\temp.orvane9");
}

TEST(IsWorkFolderMarker, OnlyTheWizardsOwnTextCounts) {
  const std::string marker = WorkFolderMarkerText();
  EXPECT_TRUE(IsWorkFolderMarker(marker));
  EXPECT_TRUE(IsWorkFolderMarker(marker + "more"));
  for (const std::string& other :
       {std::string(), marker.substr(0, 10), "orvane setup work folder\r\n" + marker.substr(26),
        " " + marker, std::string("Orvane setup work folder")}) {
    SCOPED_TRACE(other);
    EXPECT_FALSE(IsWorkFolderMarker(other));
  }
}

}  // namespace
}  // namespace orvane
