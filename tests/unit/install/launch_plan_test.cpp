#include "install/launch_plan.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(MakeLaunchPlan, TheFolderAsTypedWithOneFinalBackslash) {
  for (const char* typed : {"D:\\My Games\\Star", "D:\\My Games\\Star\\"}) {
    const LaunchPlan plan = MakeLaunchPlan(typed, "star.exe", "星际");
    EXPECT_EQ(plan.folder, "D:\\My Games\\Star\\");
    EXPECT_EQ(plan.program, "D:\\My Games\\Star\\star.exe");
    EXPECT_EQ(plan.shortcutName, "星际.lnk");
  }
}

TEST(MakeLaunchPlan, TheProgramMayLieInASubFolder) {
  EXPECT_EQ(MakeLaunchPlan("C:\\X", "bin\\x.exe", "X").program, "C:\\X\\bin\\x.exe");
}

}  // namespace
}  // namespace orvane
