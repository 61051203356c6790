#include "base/text.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(Text, CaseAndTrimTouchOnlyAscii) {
  EXPECT_EQ(ToUpperAscii("zf中文a"), "ZF中文A");
  // 盤 is B1 50 and 監 B1 4F in GBK: their trail bytes are no letters.
  EXPECT_EQ(ToLowerAscii("盤古監A.7Z"), "盤古監a.7z");
  EXPECT_FALSE(EqualsIgnoreCaseAscii("盤", "\xB1\x70"));
  // A lead byte at the very end has no trail byte to protect.
  EXPECT_EQ(ToLowerAscii("A\xB1"), "a\xB1");
  EXPECT_TRUE(EqualsIgnoreCaseAscii("Setup.EXE", "setup.exe"));
  EXPECT_FALSE(EqualsIgnoreCaseAscii("setup.exe", "setup.ex"));
  EXPECT_TRUE(EndsWithIgnoreCaseAscii("a.QGI", ".qgi"));
  EXPECT_FALSE(EndsWithIgnoreCaseAscii("qgi", ".qgi"));
  EXPECT_EQ(TrimBlanks(" \t12 3\t "), "12 3");
  EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(Text, SplitKeepsEmptyPartsAndReplaceDoesNotOverlap) {
  EXPECT_EQ(SplitAt("a||b|", '|'), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(SplitAt("", '@'), (std::vector<std::string>{""}));
  EXPECT_EQ(ReplaceAll("127.0.\\\\\\.11", "\\\\\\", "0"), "127.0.0.11");
  EXPECT_EQ(ReplaceAll("aaaa", "aa", "b"), "bb");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(Text, ArgumentsJoinWithSingleBlanks) {
  const char* none[] = {"prog.exe"};
  EXPECT_EQ(JoinArguments(1, none), "");
  const char* some[] = {"prog.exe", "yf123,2.0", "C:\\a b\\x.7z", ""};
  EXPECT_EQ(JoinArguments(4, some), "yf123,2.0 C:\\a b\\x.7z ");
}

TEST(Text, FieldCutKeepsSizeLessOneAndWholeGbkCharacters) {
  EXPECT_EQ(CutToField("abcdef", 4), "abc");
  EXPECT_EQ(CutToField("abc", 4), "abc");
  EXPECT_EQ(CutToField("abc", 0), "");
  EXPECT_EQ(CutToField(std::string(40, 'n'), 30), std::string(29, 'n'));
  // "中文" is four GBK bytes; a 4-byte field keeps 3 bytes, so only "中".
  const std::string two = "中文";
  ASSERT_EQ(two.size(), 4u);
  EXPECT_EQ(CutToField(two, 4), "中");
  EXPECT_EQ(CutToField("a" + two, 4), "a中");
  EXPECT_EQ(CutToField("ab" + two, 4), "ab");
}

}  // namespace
}  // namespace orvane
