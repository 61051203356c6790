#include "package/info_block_writer.h"

#include <gtest/gtest.h>

#include "package/info_block.h"

namespace orvane {
namespace {

TEST(FormatInfoBlock, WhatIsWrittenReadsBackUnchanged) {
  InfoBlockValues values;
  values.id = -42;
  values.name = std::string(29, 'n');
  values.fileName = "游戏.exe";
  values.version = "3.1";
  values.date = std::string(19, '9');
  values.description = std::string(199, 'd');
  const InfoBlockText text = FormatInfoBlock(values);
  ASSERT_EQ(text.error, "");
  PackageRecord record;
  const std::string tail = std::string(100, '\0') + text.block;
  const auto block = LocateInfoBlock(4000, tail);
  ASSERT_TRUE(block);
  ParseInfoBlock(*block, record);
  EXPECT_EQ(record.id, -42);
  EXPECT_EQ(record.name, *values.name);
  EXPECT_EQ(record.fileName, *values.fileName);
  EXPECT_EQ(record.version, "3.1");
  EXPECT_EQ(record.date, *values.date);
  EXPECT_EQ(record.description, *values.description);
}

TEST(FormatInfoBlock, LeavesOutKeysWithoutValue) {
  InfoBlockValues values;
  values.version = "1.0";
  const InfoBlockText text = FormatInfoBlock(values);
  EXPECT_EQ(text.block, std::string(kInfoBlockMarker) + "\r\n版本号=1.0\r\n");
}

TEST(FormatInfoBlock, RefusesValuesLongerThanTheirFieldsInGbkBytes) {
  InfoBlockValues values;
  std::string fifteen;
  for (int i = 0; i < 15; ++i) fifteen += "名";  // 30 bytes
  values.name = fifteen;
  EXPECT_NE(FormatInfoBlock(values).error, "");
  values.name = fifteen.substr(2);  // 28 bytes
  EXPECT_EQ(FormatInfoBlock(values).error, "");
  values.date = std::string(20, '1');
  EXPECT_NE(FormatInfoBlock(values).error, "");
}

TEST(FormatInfoBlock, RefusesLineBreaksAndNulInValues) {
  for (const std::string& bad :
       {std::string("a\r\nb"), std::string("a\nb"), std::string("a\0b", 3)}) {
    InfoBlockValues values;
    values.description = bad;
    EXPECT_NE(FormatInfoBlock(values).error, "");
  }
}

TEST(CheckBlockPlacement, PackageMustEndUpLongerThan2500Bytes) {
  EXPECT_NE(CheckBlockPlacement(2400, std::string(2000, 'x'), 100), "");
  EXPECT_EQ(CheckBlockPlacement(2401, std::string(2000, 'x'), 100), "");
}

TEST(CheckBlockPlacement, BlockMustFitInTheLast2000Bytes) {
  EXPECT_NE(CheckBlockPlacement(10000, std::string(2000, 'x'), 2001), "");
  EXPECT_EQ(CheckBlockPlacement(10000, std::string(2000, 'x'), 2000), "");
}

TEST(CheckBlockPlacement, RefusesAFileWhoseOldBlockWouldHideTheNewOne) {
  const std::string old = std::string(kInfoBlockMarker) + "\r\n名称=old\r\n";
  const std::string tail = std::string(2000 - old.size(), 'x') + old;
  EXPECT_NE(CheckBlockPlacement(9000, tail, 300), "");
  // A marker that falls out of the new tail no longer matters.
  const std::string farTail = old + std::string(2000 - old.size(), 'x');
  EXPECT_EQ(CheckBlockPlacement(9000, farTail, 300), "");
}

}  // namespace
}  // namespace orvane
