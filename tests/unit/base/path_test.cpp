#include "base/path.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(Path, SplitsAtTheLastOfColonSlashBackslash) {
  auto p = SplitFolderAndFile("C:\\Apps\\x.exe");
  EXPECT_EQ(p.folder, "C:\\Apps\\");
  EXPECT_EQ(p.file, "x.exe");
  p = SplitFolderAndFile("C:x.exe");
  EXPECT_EQ(p.folder, "C:");
  EXPECT_EQ(p.file, "x.exe");
  p = SplitFolderAndFile("/tmp/a\\b/setup.exe");
  EXPECT_EQ(p.folder, "/tmp/a\\b/");
  EXPECT_EQ(p.file, "setup.exe");
  p = SplitFolderAndFile("C:\\Apps\\");
  EXPECT_EQ(p.folder, "C:\\Apps\\");
  EXPECT_EQ(p.file, "");
}

TEST(Path, NoSeparatorLeavesTheFolderEmpty) {
  auto p = SplitFolderAndFile("setup.exe");
  EXPECT_EQ(p.folder, "");
  EXPECT_EQ(p.file, "setup.exe");
}

TEST(Path, GbkTrailByteThatLooksLikeABackslashIsNoSeparator) {
  // 0x81 0x5C is one GBK character whose second byte is "\".
  const std::string name =
      "C:\\ab\x81\x5C"
      "cd.exe";
  auto p = SplitFolderAndFile(name);
  EXPECT_EQ(p.folder, "C:\\");
  EXPECT_EQ(p.file,
            "ab\x81\x5C"
            "cd.exe");
}

}  // namespace
}  // namespace orvane
