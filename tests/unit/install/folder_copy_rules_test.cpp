#include "install/folder_copy_rules.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using Levels = std::vector<std::string>;

TEST(IsSilentlySkippedFile, ArchiverLibraryAndUpdaterInAnyCase) {
  EXPECT_TRUE(IsSilentlySkippedFile("C:\\Orvane\\7-zip32.dll"));
  EXPECT_TRUE(IsSilentlySkippedFile("C:\\Orvane\\sub\\7-ZIP32.DLL"));
  EXPECT_TRUE(IsSilentlySkippedFile("D:\\x\\Update.Exe"));
  EXPECT_TRUE(IsSilentlySkippedFile("update.exe"));
}

TEST(IsSilentlySkippedFile, OnlyTheExactFileNamesCount) {
  EXPECT_FALSE(IsSilentlySkippedFile("C:\\Orvane\\my7-zip32.dll"));
  EXPECT_FALSE(IsSilentlySkippedFile("C:\\Orvane\\update.exe.bak"));
  EXPECT_FALSE(IsSilentlySkippedFile("C:\\update.exe\\game.exe"));
  EXPECT_FALSE(IsSilentlySkippedFile("C:\\Orvane\\game.exe"));
}

TEST(FolderTreeLevels, EveryLevelBelowTheDriveOutermostFirst) {
  EXPECT_EQ(FolderTreeLevels("C:\\a\\b\\"), (Levels{"C:\\a", "C:\\a\\b"}));
  EXPECT_EQ(FolderTreeLevels("C:\\a\\b"), (Levels{"C:\\a", "C:\\a\\b"}));
  EXPECT_EQ(FolderTreeLevels("C:\\"), Levels{});
  EXPECT_EQ(FolderTreeLevels("C:"), Levels{});
}

TEST(FolderTreeLevels, DoubledSeparatorsSkipTheEmptyPart) {
  EXPECT_EQ(FolderTreeLevels("C:\\a\\\\b\\"), (Levels{"C:\\a", "C:\\a\\\\b"}));
}

TEST(FolderTreeLevels, ABackslashInsideADoubleByteCharacterIsNoSeparator) {
  // 0x95 0x5C is one character of the folder name.
  EXPECT_EQ(FolderTreeLevels("C:\\\x95\x5C"
                             "a\\b"),
            (Levels{"C:\\\x95\x5C"
                    "a",
                    "C:\\\x95\x5C"
                    "a\\b"}));
  EXPECT_EQ(FolderTreeLevels("C:\\x\x95\x5C"), (Levels{"C:\\x\x95\x5C"}));
}

TEST(CopyFailureText, NamesBothFilesTheSystemReasonAndTheLikelyCauses) {
  EXPECT_EQ(
      CopyFailureText("C:\\p\\temp\\a.dll", "D:\\Game\\a.dll", "拒绝访问。\r\n"),
      "复制文件时出错！！！\r\n\r\n被复制：C:\\p\\temp\\a.dll\r\n到目标：D:\\Game\\a.dll\r\n\r\n"
      "拒绝访问。\r\n\r\n\r\n可能是以下原因造成的：\r\n1.有软件在使用中，请关闭！\r\n"
      "2.杀毒软件拦截，请关闭杀毒软件！\r\n3.权限不够，需要管理身份运行！\r\n\r\n"
      "     －－－请自己检查后更正或者联系Orvane远程操作。");
}

TEST(FolderCreationFailureText, NamesTheFolderAndTheLikelyCauses) {
  EXPECT_EQ(FolderCreationFailureText("D:\\Game\\data"),
            "创建文件夹时出错，无法创建文件夹\r\nD:\\Game\\data\r\n可能是以下原因造成的：\r\n\r\n"
            "1.磁盘已满，请换个盘安装！\r\n2.此盘是光驱，请换个盘安装！\r\n"
            "3.没有此盘，请换个盘安装！\r\n4.文件夹名称有非法字符，请更名！\r\n\r\n"
            "     －－－请自己检查后更正或者联系Orvane远程操作。");
}

}  // namespace
}  // namespace orvane
