#include "install/running_program_rules.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(ProcessPathInFolder, ProgramsInTheFolderOrBelowMatchIgnoringCase) {
  EXPECT_TRUE(ProcessPathInFolder("C:\\Games\\Foo\\foo.exe", "C:\\Games\\Foo\\"));
  EXPECT_TRUE(ProcessPathInFolder("c:\\games\\foo\\bin\\x.exe", "C:\\GAMES\\Foo\\"));
  EXPECT_TRUE(ProcessPathInFolder("\\\\?\\C:\\Games\\Foo\\foo.exe", "C:\\Games\\Foo\\"));
}

TEST(ProcessPathInFolder, TheNeighbourFolderWithALongerNameIsNotMatched) {
  EXPECT_FALSE(ProcessPathInFolder("C:\\Games\\Foo2\\foo.exe", "C:\\Games\\Foo\\"));
  // A folder given without its final separator is read as having one.
  EXPECT_FALSE(ProcessPathInFolder("C:\\Games\\Foo2\\foo.exe", "C:\\Games\\Foo"));
  EXPECT_TRUE(ProcessPathInFolder("C:\\Games\\Foo\\foo.exe", "C:\\Games\\Foo"));
}

TEST(ProcessPathInFolder, BareNamesAndAnEmptyFolderNeverMatch) {
  EXPECT_FALSE(ProcessPathInFolder("foo.exe", "C:\\Games\\Foo\\"));
  EXPECT_FALSE(ProcessPathInFolder("C:\\Games\\Foo\\foo.exe", ""));
}

TEST(ProcessPathInFolder, SecondBytesOfChineseCharactersKeepTheirCase) {
  // 0x81 0x61 and 0x81 0x41 are two different characters.
  EXPECT_FALSE(ProcessPathInFolder("C:\\\x81\x61\\x.exe", "C:\\\x81\x41\\"));
  EXPECT_TRUE(ProcessPathInFolder("C:\\\x81\x61\\x.exe", "c:\\\x81\x61\\"));
  EXPECT_TRUE(ProcessPathInFolder("D:\\游戏\\星际\\a.exe", "d:\\游戏\\"));
}

TEST(RunningProgramText, TitleAndPathBetweenTwoRules) {
  const std::string rule(50, '-');
  EXPECT_EQ(RunningProgramText("星际游戏 2.0", "C:\\Games\\Foo\\foo.exe"),
            "发现目标文件夹中有【游戏或软件】运行中！！！\r\n\r\n" + rule +
                "\r\n星际游戏 2.0\r\n\r\nC:\\Games\\Foo\\foo.exe\r\n" + rule +
                "\r\n\r\n为了避免自动强退【游戏造成逃跑】或【应用会丢失数据】的问题，\r\n\r\n"
                "请在【确定】前先把相关【游戏或应用】退出。");
}

}  // namespace
}  // namespace orvane
