#include "qqgame/game_hall_rules.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(GameFolderFromRegistry, GameDirectoryIsTakenAsItIs) {
  EXPECT_EQ(GameFolderFromRegistry("D:\\Games\\QQGame", "E:\\Mini"), "D:\\Games\\QQGame");
  EXPECT_EQ(GameFolderFromRegistry("", "E:\\Mini"), "");
}

TEST(GameFolderFromRegistry, HallFolderIsReplacedByMiniGamesEvenWhenThatIsEmpty) {
  EXPECT_EQ(GameFolderFromRegistry("C:\\QQGame\\Hall.57913\\", "D:\\QQGame\\"), "D:\\QQGame\\");
  EXPECT_EQ(GameFolderFromRegistry("C:\\QQGame\\Hall.57913\\", ""), "");
  EXPECT_EQ(GameFolderFromRegistry("C:\\Hall.", "D:\\x"), "D:\\x");
}

TEST(GameFolderFromRegistry, MarkerIsMatchedExactly) {
  // Case, the dot and the separator all matter.
  EXPECT_EQ(GameFolderFromRegistry("C:\\QQGame\\hall.1", "D:\\x"), "C:\\QQGame\\hall.1");
  EXPECT_EQ(GameFolderFromRegistry("C:\\QQGame\\Hall1", "D:\\x"), "C:\\QQGame\\Hall1");
  EXPECT_EQ(GameFolderFromRegistry("C:\\QQGameHall.1", "D:\\x"), "C:\\QQGameHall.1");
  EXPECT_EQ(GameFolderFromRegistry("C:/QQGame/Hall.1", "D:\\x"), "C:/QQGame/Hall.1");
}

TEST(GameFolderFromRegistry, TrailByteOfDoubleByteCharacterIsNoSeparator) {
  // 0x81 0x5C is one GBK character whose second byte equals "\".
  const std::string folder = "C:\\\x81\\Hall.1";
  EXPECT_EQ(GameFolderFromRegistry(folder, "D:\\x"), folder);
  const std::string real = "C:\\\x81\\\\Hall.1";
  EXPECT_EQ(GameFolderFromRegistry(real, "D:\\x"), "D:\\x");
}

TEST(ContainsAtCharacterStart, WalksWholeCharacters) {
  EXPECT_TRUE(ContainsAtCharacterStart("游戏\\Hall.x", "\\Hall."));
  EXPECT_TRUE(ContainsAtCharacterStart("abc", ""));
  EXPECT_FALSE(ContainsAtCharacterStart("", "a"));
  EXPECT_FALSE(ContainsAtCharacterStart("\x81\\Hall.", "\\Hall."));
  // A lead byte as the very last byte is taken as a byte of its own.
  EXPECT_TRUE(ContainsAtCharacterStart("ab\x81", "\x81"));
}

TEST(GameFolderFromProgramPath, FolderOfTheProgramWithItsSeparator) {
  EXPECT_EQ(GameFolderFromProgramPath("D:\\Games\\QQGame\\QQGame.exe"), "D:\\Games\\QQGame\\");
  EXPECT_EQ(GameFolderFromProgramPath("Z:\\tmp\\QQ游戏\\hall.exe"), "Z:\\tmp\\QQ游戏\\");
  EXPECT_EQ(GameFolderFromProgramPath("D:hall.exe"), "D:");
  EXPECT_EQ(GameFolderFromProgramPath("a/b/hall.exe"), "a/b/");
  EXPECT_EQ(GameFolderFromProgramPath("hall.exe"), "");
  EXPECT_EQ(GameFolderFromProgramPath(""), "");
}

TEST(GameSubFolder, PlainNamesAndNestedFolders) {
  EXPECT_EQ(GameSubFolder("ABC"), "ABC");
  EXPECT_EQ(GameSubFolder("Games\\斗地主"), "Games\\斗地主");
  EXPECT_EQ(GameSubFolder("Games/Chess"), "Games\\Chess");
}

TEST(GameSubFolder, SeparatorsAtTheEndsAndDoubledAreDropped) {
  EXPECT_EQ(GameSubFolder("\\ABC\\"), "ABC");
  EXPECT_EQ(GameSubFolder("A\\\\B"), "A\\B");
  EXPECT_EQ(GameSubFolder(".\\A\\.\\B"), "A\\B");
}

TEST(GameSubFolder, NoFolderOrOneOutsideTheHallIsRefused) {
  EXPECT_EQ(GameSubFolder(""), std::nullopt);
  EXPECT_EQ(GameSubFolder("\\"), std::nullopt);
  EXPECT_EQ(GameSubFolder("."), std::nullopt);
  EXPECT_EQ(GameSubFolder(".."), std::nullopt);
  EXPECT_EQ(GameSubFolder("A\\..\\..\\Windows"), std::nullopt);
  EXPECT_EQ(GameSubFolder("C:\\Windows"), std::nullopt);
  EXPECT_EQ(GameSubFolder("CON:"), std::nullopt);
  // ".." inside a name is an ordinary name.
  EXPECT_EQ(GameSubFolder("A..B"), "A..B");
}

TEST(GameSubFolder, DoubleByteCharacterWithSeparatorTrailStaysWhole) {
  const std::string name = "\x81\\x";
  EXPECT_EQ(GameSubFolder(name), name);
  EXPECT_EQ(GameSubFolder("\x81:"), "\x81:");
}

TEST(GameDestination, HallFolderGetsOneSeparator) {
  EXPECT_EQ(GameDestination("D:\\Games\\QQGame", "ABC"), "D:\\Games\\QQGame\\ABC\\");
  EXPECT_EQ(GameDestination("D:\\Games\\QQGame\\", "ABC"), "D:\\Games\\QQGame\\ABC\\");
  EXPECT_EQ(GameDestination("D:", "ABC"), "D:\\ABC\\");
  // A folder ending in a character whose trail byte is 0x5C has no separator yet.
  EXPECT_EQ(GameDestination("D:\\\x81\\", "A"), "D:\\\x81\\\\A\\");
}

TEST(GameFolderWithSeparator, AddsOnlyAMissingSeparator) {
  EXPECT_EQ(GameFolderWithSeparator("D:\\Games\\QQGame"), "D:\\Games\\QQGame\\");
  EXPECT_EQ(GameFolderWithSeparator("D:\\Games\\QQGame\\"), "D:\\Games\\QQGame\\");
  EXPECT_EQ(GameFolderWithSeparator("D:\\游戏"), "D:\\游戏\\");
  EXPECT_EQ(GameFolderWithSeparator("D:\\\x81\\"), "D:\\\x81\\\\");
}

TEST(InstallTexts, SubheadingNamesTheProduct) {
  EXPECT_EQ(InstallSubheading("欢乐斗地主"), "安装 欢乐斗地主 中");
  EXPECT_EQ(InstallSubheading(""), "安装  中");
}

TEST(InstallTexts, BoxTextsAreGbkWithTheirLineBreaks) {
  const std::string hall = kNoGameHallText;
  const std::string config = kNoGameConfigText;
  // Five blanks and one ideographic blank (A1 A1 in GBK) before the dashes.
  EXPECT_NE(hall.find("\r\n\r\n     \xA1\xA1\xA3\xAD"), std::string::npos);
  EXPECT_EQ(hall.substr(0, 6), "\xA3\xA1\xA3\xA1\xA3\xA1");
  EXPECT_EQ(hall.substr(hall.find("\r\n")), config.substr(config.find("\r\n")));
}

}  // namespace
}  // namespace orvane
