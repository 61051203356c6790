#include "gbk_conversion.h"

#include <gtest/gtest.h>

namespace orvane::tools {
namespace {

TEST(GbkConversion, ChineseTextTurnsIntoTheWizardsBytes) {
  // u8"" is UTF-8; the plain literal is GBK in this build.
  EXPECT_EQ(Utf8ToGbk(reinterpret_cast<const char*>(u8"测试工具 v1")), "测试工具 v1");
  EXPECT_EQ(GbkToUtf8("测试工具 v1"), reinterpret_cast<const char*>(u8"测试工具 v1"));
}

TEST(GbkConversion, RefusesWhatTheOtherSideCannotCarry) {
  EXPECT_FALSE(Utf8ToGbk("\xF0\x9F\x98\x80"));  // an emoji: no GBK code
  EXPECT_FALSE(Utf8ToGbk("\xE6\xB5"));          // cut UTF-8 sequence
  EXPECT_FALSE(GbkToUtf8("\x81"));              // lead byte without trail
}

TEST(GbkConversion, LongTextsGrowTheBuffer) {
  std::string utf8;
  for (int i = 0; i < 5000; ++i) utf8 += reinterpret_cast<const char*>(u8"名");
  const auto gbk = Utf8ToGbk(utf8);
  ASSERT_TRUE(gbk);
  EXPECT_EQ(gbk->size(), 10000u);
  EXPECT_EQ(GbkToUtf8(*gbk), utf8);
}

}  // namespace
}  // namespace orvane::tools
