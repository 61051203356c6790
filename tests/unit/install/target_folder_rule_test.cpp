#include "install/target_folder_rule.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using V = TargetFolderVerdict;

TEST(CheckTargetFolder, ADriveAloneGetsTheDefaultFolderOnThatDrive) {
  for (const char* typed : {"C:", "C:\\", "  C:\\  ", "C:x"}) {
    SCOPED_TRACE(typed);
    const TargetFolderCheck check = CheckTargetFolder(typed, "星际游戏");
    EXPECT_EQ(check.verdict, V::DriveOnly);
    EXPECT_EQ(check.folder, "C:\\Orvane软件\\星际游戏");
  }
  EXPECT_EQ(CheckTargetFolder("d:", "X").folder, "d:\\Orvane软件\\X");
}

TEST(CheckTargetFolder, OtherShortTextsAreMalformed) {
  for (const char* typed : {"", "   ", "C", "abc", "\\\\", "C\\:"}) {
    SCOPED_TRACE(typed);
    const TargetFolderCheck check = CheckTargetFolder(typed, "X");
    EXPECT_EQ(check.verdict, V::Malformed);
    EXPECT_EQ(check.folder, "");
  }
}

TEST(CheckTargetFolder, NetworkPathsAndForwardSlashesAreMalformed) {
  for (const char* typed : {"\\\\server\\share\\x", "C:/Games/x", "C:Games", "软件\\游戏"}) {
    SCOPED_TRACE(typed);
    EXPECT_EQ(CheckTargetFolder(typed, "X").verdict, V::Malformed);
  }
}

TEST(CheckTargetFolder, AFolderGetsExactlyOneTrailingBackslash) {
  EXPECT_EQ(CheckTargetFolder("C:\\Games\\X", "X").folder, "C:\\Games\\X\\");
  EXPECT_EQ(CheckTargetFolder("C:\\Games\\X\\", "X").folder, "C:\\Games\\X\\");
  EXPECT_EQ(CheckTargetFolder(" D:\\A B ", "X").folder, "D:\\A B\\");
  EXPECT_EQ(CheckTargetFolder("C:\\Games\\X", "X").verdict, V::Accepted);
  // The last character's second byte is 0x5C: the folder still needs one.
  EXPECT_EQ(CheckTargetFolder("C:\\\x95\x5C", "X").folder, "C:\\\x95\x5C\\");
}

TEST(IsSameOrInsideFolder, TheFolderItselfAndEverythingBelowInAnyCase) {
  for (const char* path :
       {"C:\\p\\temp", "C:\\p\\temp\\", "c:\\P\\TEMP\\a", "C:\\p\\temp\\a\\b\\"}) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(IsSameOrInsideFolder(path, "C:\\p\\temp"));
    EXPECT_TRUE(IsSameOrInsideFolder(path, "C:\\p\\temp\\"));
  }
}

TEST(IsSameOrInsideFolder, NeighboursParentsAndOtherDrivesAreOutside) {
  for (const char* path :
       {"C:\\p\\temp2", "C:\\p\\tem", "C:\\p", "C:\\p\\", "D:\\p\\temp\\a", ""}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(IsSameOrInsideFolder(path, "C:\\p\\temp"));
  }
  EXPECT_FALSE(IsSameOrInsideFolder("C:\\p\\temp", ""));
}

TEST(IsSameOrInsideFolder, DoubleByteCharactersCompareByteForByte) {
  // 0x95 0x5C and 0x95 0x7C are two different characters; the first ends
  // in the byte of "\", the second must not be upper-cased into it.
  EXPECT_TRUE(IsSameOrInsideFolder("C:\\\x95\x5C\\x", "C:\\\x95\x5C"));
  EXPECT_FALSE(IsSameOrInsideFolder("C:\\\x95\x5C\\x", "C:\\\x95"));
  EXPECT_FALSE(IsSameOrInsideFolder("C:\\\x95\x41\\x", "C:\\\x95\x61"));
  EXPECT_TRUE(IsSameOrInsideFolder("C:\\数据\\游戏", "c:\\数据"));
}

}  // namespace
}  // namespace orvane
