#include "package/package_parameters.h"

#include <gtest/gtest.h>

#include "package/package_info.h"
#include "startup/feed_hex_text.h"
#include "wizard/page_state.h"

namespace orvane {
namespace {

constexpr std::string_view kFolder = "C:\\Apps\\";

std::string Scrambled(const std::string& list) {
  const auto s = ScrambleHexText(list, "9E04B7");
  EXPECT_EQ(s.error, "");
  return s.text;
}

TEST(QgiGamePackage, TitleIsTheGameNameFromTheFileName) {
  const auto p = EvaluatePackageParameters("C:\\Games\\QQ12345-2.qgi", kFolder);
  ASSERT_TRUE(p.package);
  EXPECT_EQ(p.package->title, "QQ游戏:12345");
  EXPECT_EQ(p.package->name, "QQ游戏:12345");
  EXPECT_EQ(p.package->packagePath, "C:\\Games\\QQ12345-2.qgi");
  EXPECT_FALSE(p.package->windowTitle);
  EXPECT_FALSE(p.package->programName);
}

TEST(QgiGamePackage, RelativePathLiesInTheProgramFolder) {
  const auto p = QgiGamePackage("abc.qgi", kFolder);
  EXPECT_EQ(p.title, "QQ游戏:abc");
  EXPECT_EQ(p.packagePath, "C:\\Apps\\abc.qgi");
  EXPECT_EQ(QgiGamePackage("sub\\abc.qgi", kFolder).packagePath, "C:\\Apps\\sub\\abc.qgi");
  EXPECT_EQ(QgiGamePackage("\\\\hall\\games\\abc.qgi", kFolder).packagePath,
            "\\\\hall\\games\\abc.qgi");
}

TEST(QgiGamePackage, UpperCaseExtensionStaysInTheTitle) {
  EXPECT_EQ(QgiGamePackage("D:\\g\\Poker.QGI", kFolder).title, "QQ游戏:Poker.QGI");
  EXPECT_EQ(EvaluatePackageParameters("D:\\g\\Poker.QGI", kFolder).package->title,
            "QQ游戏:Poker.QGI");
}

TEST(QgiGamePackage, LongTitleIsCutForTheNameField) {
  const auto p = QgiGamePackage("QQ" + std::string(40, 'g') + ".qgi", kFolder);
  EXPECT_EQ(p.title, "QQ游戏:" + std::string(40, 'g'));
  EXPECT_EQ(p.name, "QQ游戏:" + std::string(22, 'g'));  // 7 + 22 = 29 bytes
}

TEST(ParameterList, FourFieldsNameThePackageInFieldTwo) {
  const auto p =
      EvaluatePackageParameters(Scrambled(" 斗地主 ,斗地主 窗口,ddz.7z,ddz.exe"), kFolder);
  ASSERT_TRUE(p.package);
  EXPECT_EQ(p.package->title, "斗地主");
  EXPECT_EQ(p.package->name, "斗地主");
  EXPECT_EQ(p.package->windowTitle, "斗地主 窗口");
  EXPECT_EQ(p.package->packagePath, "C:\\Apps\\ddz.7z");
  EXPECT_EQ(p.package->programName, "ddz.exe");
}

TEST(ParameterList, FiveFieldsUseFieldThreeForBoth) {
  const auto p = EvaluatePackageParameters(Scrambled("Game,Win, x ,\tpkg.7z ,last"), kFolder);
  ASSERT_TRUE(p.package);
  EXPECT_EQ(p.package->packagePath, "C:\\Apps\\pkg.7z");
  EXPECT_EQ(p.package->programName, "\tpkg.7z ");  // untrimmed
  EXPECT_EQ(p.package->windowTitle, "Win");
}

TEST(ParameterList, ThreeFieldsAreADataError) {
  const auto p = EvaluatePackageParameters(Scrambled("甲,乙,丙丙"), kFolder);
  EXPECT_FALSE(p.package);
  EXPECT_EQ(p.dataError,
            "甲\r\n乙\r\n丙丙\r\n！！！数据出错！！！\r\n\r\n请重新安装软件试试。\r\n\r\n"
            "     －－－请自己检查后更正或者联系Orvane远程操作。");
}

TEST(ParameterList, ListDecodingToNothingShowsNoFieldLines) {
  // The leading digits put the data start beyond the end.
  const auto p = EvaluatePackageParameters("FF" + std::string(40, '0'), kFolder);
  EXPECT_FALSE(p.package);
  EXPECT_TRUE(p.dataError.starts_with("！！！数据出错！！！\r\n")) << p.dataError;
  EXPECT_TRUE(ParameterFields("FF" + std::string(40, '0')).empty());
}

class ApplyGamePackageTest : public ::testing::Test {
 protected:
  void TearDown() override {
    GameRequired = 0;
    PackageInfo = {};
    PackageFilePath.clear();
    GameWindowTitle.clear();
    GameProgramName.clear();
    TitleText.clear();
    VersionText.clear();
  }
};

TEST_F(ApplyGamePackageTest, MarksAnExtractOnlyGameInstall) {
  GameWindowTitle = "kept";
  ApplyGamePackage(QgiGamePackage("abc.qgi", kFolder));
  EXPECT_EQ(GameRequired, 1);
  EXPECT_EQ(TitleText, "QQ游戏:abc");
  EXPECT_EQ(PackageInfo.name, "QQ游戏:abc");
  EXPECT_EQ(PackageFilePath, "C:\\Apps\\abc.qgi");
  EXPECT_TRUE(IsExtractOnlyMode());
  EXPECT_EQ(VersionText, "版本：Orvane软件专用版");
  EXPECT_EQ(GameWindowTitle, "kept");
}

TEST_F(ApplyGamePackageTest, ParameterListNamesTheGamesWindowAndProgram) {
  const auto p = EvaluatePackageParameters(Scrambled("G,W,p.7z,g.exe"), kFolder);
  ASSERT_TRUE(p.package);
  ApplyGamePackage(*p.package);
  EXPECT_EQ(GameWindowTitle, "W");
  EXPECT_EQ(GameProgramName, "g.exe");
  EXPECT_TRUE(IsExtractOnlyMode());
}

}  // namespace
}  // namespace orvane
