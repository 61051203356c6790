#include <gtest/gtest.h>

#include "package/info_block.h"
#include "package/package_file.h"
#include "tool_runner.h"

namespace orvane::tools_test {
namespace {

const std::string kTool = ORVANE_STAMP_TOOL;
const char* Utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

TEST(StampTool, WrittenBlockIsWhatTheWizardReads) {
  ScratchFolder scratch;
  const std::string package = scratch.Write("123.7z", std::string(3000, '7'));
  const auto run = RunTool(kTool, {"write", package, "--id", "123", "--name", Utf8(u8"测试工具"),
                                   "--file-name", "Tool.exe", "--version", "2.0.0.1", "--date",
                                   "2024-05-01", "--description", Utf8(u8"一个工具")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto record = ReadPackageRecord(package);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->id, 123);
  EXPECT_EQ(record->name, "测试工具");
  EXPECT_EQ(record->fileName, "Tool.exe");
  EXPECT_EQ(record->version, "2.0.0.1");
  EXPECT_EQ(record->date, "2024-05-01");
  EXPECT_EQ(record->description, "一个工具");
  // The package's own bytes are untouched.
  EXPECT_EQ(scratch.Read("123.7z").substr(0, 3000), std::string(3000, '7'));

  const auto read = RunTool(kTool, {"read", package});
  EXPECT_EQ(read.exitCode, 0);
  EXPECT_EQ(read.out, Utf8(u8"id=123\nname=测试工具\nfile-name=Tool.exe\nversion=2.0.0.1\n"
                           u8"date=2024-05-01\ndescription=一个工具\n"));
}

TEST(StampTool, ValuesFileAndOptionsCombine) {
  ScratchFolder scratch;
  const std::string package = scratch.Write("p.7z", std::string(4000, 'p'));
  const std::string values =
      scratch.Write("values.txt", Utf8(u8"# package 9\r\nid=9\r\nname=旧名\r\nfile-name=解压缩\r\n"
                                       u8"description=Games\\Poker\r\n"));
  const auto run = RunTool(kTool, {"write", package, "--values", values, "--name", "New"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto record = ReadPackageRecord(package);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->id, 9);
  EXPECT_EQ(record->name, "New");
  EXPECT_EQ(record->fileName, "解压缩");
  EXPECT_EQ(record->description, "Games\\Poker");
  EXPECT_EQ(record->version, "");
}

TEST(StampTool, StampedPackageMustBeLongerThan2500Bytes) {
  ScratchFolder scratch;
  // Marker line (24 + 2 bytes) and "ID=1" line (6 bytes): 32 bytes.
  const size_t block = kInfoBlockMarker.size() + 2 + 6;
  const std::string shortOne = scratch.Write("short.7z", std::string(2500 - block, 's'));
  const auto refused = RunTool(kTool, {"write", shortOne, "--id", "1"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("2500"), std::string::npos) << refused.err;
  EXPECT_EQ(scratch.Read("short.7z").size(), 2500 - block);  // left as it was

  const std::string longer = scratch.Write("long.7z", std::string(2501 - block, 's'));
  ASSERT_EQ(RunTool(kTool, {"write", longer, "--id", "1"}).exitCode, 0);
  EXPECT_EQ(scratch.Read("long.7z").size(), 2501u);
  EXPECT_TRUE(ReadPackageRecord(longer));
}

TEST(StampTool, RefusesValuesLongerThanTheirFieldsInGbkBytes) {
  ScratchFolder scratch;
  const std::string package = scratch.Write("p.7z", std::string(3000, 'p'));
  // Fifteen Chinese characters: 45 bytes of UTF-8, 30 of GBK.
  const auto wide =
      RunTool(kTool, {"write", package, "--name", Utf8(u8"一二三四五六七八九十一二三四五")});
  EXPECT_EQ(wide.exitCode, 1);
  EXPECT_NE(wide.err.find("30 bytes"), std::string::npos) << wide.err;
  // Fourteen fit (28 bytes).
  EXPECT_EQ(
      RunTool(kTool, {"write", package, "--name", Utf8(u8"一二三四五六七八九十一二三四")}).exitCode,
      0);
}

TEST(StampTool, RefusesASecondBlockAndBadValues) {
  ScratchFolder scratch;
  const std::string package = scratch.Write("p.7z", std::string(3000, 'p'));
  ASSERT_EQ(RunTool(kTool, {"write", package, "--name", "first"}).exitCode, 0);
  const auto second = RunTool(kTool, {"write", package, "--name", "second"});
  EXPECT_EQ(second.exitCode, 1);
  EXPECT_NE(second.err.find("already"), std::string::npos);
  EXPECT_EQ(ReadPackageRecord(package)->name, "first");

  const std::string other = scratch.Write("q.7z", std::string(3000, 'q'));
  EXPECT_EQ(RunTool(kTool, {"write", other, "--id", "12x"}).exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"write", other, "--id", "2147483648"}).exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"write", other, "--name", "\xF0\x9F\x98\x80"}).exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"write", other, "--date", "a\nb"}).exitCode, 1);
  EXPECT_EQ(RunTool(kTool, {"write", other}).exitCode, 1);
  EXPECT_EQ(scratch.Read("q.7z"), std::string(3000, 'q'));
}

TEST(StampTool, ReadSaysWhenThereIsNoBlock) {
  ScratchFolder scratch;
  const std::string plain = scratch.Write("plain.7z", std::string(3000, 'x'));
  EXPECT_EQ(RunTool(kTool, {"read", plain}).exitCode, 3);
  EXPECT_EQ(RunTool(kTool, {"read", scratch.File("missing.7z")}).exitCode, 1);
}

TEST(StampTool, UsageMistakesAndHelp) {
  const auto help = RunTool(kTool, {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  // Help is read in a terminal: its Chinese is UTF-8, not the GBK the
  // package block holds.
  EXPECT_NE(help.out.find(reinterpret_cast<const char*>(u8"\"解压缩\"")), std::string::npos);
  EXPECT_EQ(RunTool(kTool, {}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"stamp", "x"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"write", "x", "--colour", "blue"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"write", "x", "--name"}).exitCode, 2);
  EXPECT_EQ(RunTool(kTool, {"read", "x", "--all"}).exitCode, 2);
}

}  // namespace
}  // namespace orvane::tools_test
