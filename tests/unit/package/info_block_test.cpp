#include "package/info_block.h"

#include <gtest/gtest.h>

#include <string>

#include "wizard/page_state.h"

namespace orvane {
namespace {

const std::string kMarker(kInfoBlockMarker);

std::string Block(const std::string& lines) {
  return kMarker + "\r\n" + lines;
}

TEST(LocateInfoBlock, FileMustBeLongerThan2500Bytes) {
  const std::string block = Block("ID=1\r\n");
  EXPECT_FALSE(LocateInfoBlock(2500, block).has_value());
  const auto found = LocateInfoBlock(2501, block);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(*found, block);
}

TEST(LocateInfoBlock, MarkerMustStartWithinTheLast2000Bytes) {
  // The tail the wizard reads is the last 2000 bytes: a marker starting
  // 2001 bytes from the end lost its first byte.
  const std::string block = Block("名称=x\r\n");
  std::string file = std::string(3000, 'z') + block;
  const std::string padding(2000 - block.size(), '\0');
  std::string atLimit = std::string(3000, 'z') + block + padding;  // 2000 from the end
  ASSERT_EQ(atLimit.size() - atLimit.find(kMarker), 2000u);
  EXPECT_TRUE(
      LocateInfoBlock(atLimit.size(), std::string_view(atLimit).substr(atLimit.size() - 2000)));
  std::string beyond = atLimit + "!";  // now 2001 from the end
  EXPECT_FALSE(
      LocateInfoBlock(beyond.size(), std::string_view(beyond).substr(beyond.size() - 2000)));
  // Handed a longer tail, only its last 2000 bytes count.
  EXPECT_FALSE(LocateInfoBlock(beyond.size(), beyond));
}

TEST(LocateInfoBlock, FirstMarkerInTheTailCounts) {
  const std::string older = Block("名称=older\r\n");
  const std::string newer = Block("名称=newer\r\n");
  const std::string tail = std::string(100, '\0') + older + newer;
  const auto found = LocateInfoBlock(5000, tail);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->size(), older.size() + newer.size());
}

TEST(ParseInfoBlock, ReadsAllSixKeys) {
  PackageRecord record;
  ParseInfoBlock(Block("ID=123\r\n名称=测试工具\r\n文件名=Tool.exe\r\n版本号=2.0.0.1\r\n"
                       "日期=2024-05-01\r\n说明=一个工具\r\n"),
                 record);
  EXPECT_EQ(record.id, 123);
  EXPECT_EQ(record.name, "测试工具");
  EXPECT_EQ(record.fileName, "Tool.exe");
  EXPECT_EQ(record.version, "2.0.0.1");
  EXPECT_EQ(record.date, "2024-05-01");
  EXPECT_EQ(record.description, "一个工具");
}

TEST(ParseInfoBlock, MissingKeysKeepTheRecordsValues) {
  PackageRecord record;
  record.fileName = "kept.exe";
  ParseInfoBlock(Block("名称=Tool\r\n版本号=1.5\r\n"), record);
  EXPECT_EQ(record.id, 0);
  EXPECT_EQ(record.name, "Tool");
  EXPECT_EQ(record.fileName, "kept.exe");
  EXPECT_EQ(record.version, "1.5");
  EXPECT_EQ(record.date, "");
  EXPECT_EQ(record.description, "");
}

TEST(ParseInfoBlock, OnlySixLinesAfterTheMarkerLineAreRead) {
  PackageRecord record;
  // The marker line's rest is free; unknown lines count among the six.
  ParseInfoBlock(kMarker + "ID=9\r\nx\r\ny\r\nz\r\nid=5\r\n名称=a\r\n版本号=6th\r\n日期=7th\r\n",
                 record);
  EXPECT_EQ(record.id, 0);
  EXPECT_EQ(record.name, "a");
  EXPECT_EQ(record.version, "6th");
  EXPECT_EQ(record.date, "");
}

TEST(ParseInfoBlock, LaterLineOfARepeatedKeyWins) {
  PackageRecord record;
  ParseInfoBlock(Block("名称=first\r\n名称=second\r\n"), record);
  EXPECT_EQ(record.name, "second");
}

TEST(ParseInfoBlock, LinesEndAtCrLfAndAtTheFirstNul) {
  PackageRecord record;
  const char lines[] = "名称=ab\0cd\r\n版本号=1\n日期=x\r\n";
  ParseInfoBlock(Block(std::string(lines, sizeof lines - 1)), record);
  EXPECT_EQ(record.name, "ab");
  EXPECT_EQ(record.version, "1\n日期=x");  // a lone LF ends no line
}

TEST(ParseInfoBlock, IdIsReadAsARoundedNumber) {
  PackageRecord record;
  ParseInfoBlock(Block("ID= 12.6abc\r\n"), record);
  EXPECT_EQ(record.id, 13);
  ParseInfoBlock(Block("ID=2.5\r\n"), record);
  EXPECT_EQ(record.id, 2);
  ParseInfoBlock(Block("ID=abc\r\n"), record);
  EXPECT_EQ(record.id, 0);
}

TEST(ParseInfoBlock, TextsAreCutToTheirFields) {
  PackageRecord record;
  const std::string forty = "0123456789abcdefghijABCDEFGHIJ0123456789";
  ParseInfoBlock(Block("名称=" + forty + "\r\n日期=" + forty + "\r\n说明=" + std::string(250, 'd') +
                       "\r\n文件名=" + std::string(120, 'f') + "\r\n版本号=" + forty + "\r\n"),
                 record);
  EXPECT_EQ(record.name, forty.substr(0, 29));
  EXPECT_EQ(record.date, forty.substr(0, 19));
  EXPECT_EQ(record.description, std::string(199, 'd'));
  EXPECT_EQ(record.fileName, std::string(99, 'f'));
  EXPECT_EQ(record.version, forty.substr(0, 29));
}

TEST(ParseInfoBlock, ACutNeverSplitsADoubleByteCharacter) {
  PackageRecord record;
  // Twenty characters of two bytes: the 15th would need bytes 29 and 30.
  std::string name;
  for (int i = 0; i < 20; ++i) name += "测";
  ParseInfoBlock(Block("名称=" + name + "\r\n"), record);
  EXPECT_EQ(record.name, name.substr(0, 28));
  // One ASCII byte first: fourteen characters end exactly at byte 29.
  ParseInfoBlock(Block("名称=a" + name + "\r\n"), record);
  EXPECT_EQ(record.name, "a" + name.substr(0, 28));
}

class ApplyInfoBlockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    PackageInfo = {};
    PackageFilePath.clear();
    TitleText.clear();
    VersionText.clear();
    InstallPage = WizardPage::Welcome;
  }
};

TEST_F(ApplyInfoBlockTest, FillsTheWelcomePageTexts) {
  InstallPage = WizardPage::Downloading;
  ApplyInfoBlock("C:\\Apps\\123.7z", Block("名称=Tool\r\n版本号=1.5\r\n"));
  EXPECT_EQ(PackageFilePath, "C:\\Apps\\123.7z");
  EXPECT_EQ(PackageInfo.name, "Tool");
  EXPECT_EQ(TitleText, "Tool");
  EXPECT_EQ(VersionText, "版本：1.5   发布日期：");
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
}

TEST_F(ApplyInfoBlockTest, KeepsALongPackagePathWhole) {
  const std::string path = "C:\\" + std::string(150, 'p') + "\\123.7z";
  ApplyInfoBlock(path, Block("ID=1\r\n"));
  EXPECT_EQ(PackageFilePath, path);
}

}  // namespace
}  // namespace orvane
