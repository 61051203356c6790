#include "startup/feed_hex_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace orvane {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(DecodeHexText, ReadsKeyedDataInEitherCase) {
  // m = 3: key digits 5 and A at positions 3 and 4, data from position 5.
  EXPECT_EQ(DecodeHexText("035A12337B"), "Hi!");
  EXPECT_EQ(DecodeHexText("035a12337b"), "Hi!");
}

TEST(DecodeHexText, ShortInputGivesNothing) {
  EXPECT_EQ(DecodeHexText(""), "");
  EXPECT_EQ(DecodeHexText("035A12337"), "");  // nine characters
}

TEST(DecodeHexText, DataStartBeyondTheEndGivesNothing) {
  EXPECT_EQ(DecodeHexText("FF12345678"), "");
  EXPECT_EQ(DecodeHexText("0912345678"), "");  // data would start at 11 of 10
}

TEST(DecodeHexText, DataStartingAtTheLastPositionGivesOneDigit) {
  // m = 8: key at 3..9 ("1234567"), the one data digit A ^ 1 = B.
  EXPECT_EQ(DecodeHexText("081234567A"), Bytes({0x0B}));
}

TEST(DecodeHexText, MZeroCombinesEachDigitWithTheNextOne) {
  // Data from position 2 on; the last digit meets position 11, outside (0).
  // Digits 1,3,1,7,1,3,1,F,8: pairs 13 17 13 1F and a single 8.
  EXPECT_EQ(DecodeHexText("0012345678"), Bytes({0x13, 0x17, 0x13, 0x1F, 0x08}));
}

TEST(DecodeHexText, MOneCombinesEachDigitWithItself) {
  EXPECT_EQ(DecodeHexText("0112345678"), std::string(4, '\0'));
  EXPECT_EQ(DecodeHexText("019ABCDEF01"), std::string(5, '\0'));
}

TEST(DecodeHexText, NonDigitsCountAsZero) {
  // "0G": m stops at G and is 0; G and every other non-digit read as 0.
  EXPECT_EQ(DecodeHexText("0G00000000"), std::string(4, '\0') + Bytes({0x00}));
  // A non-digit among the data digits: "Hi!" with its last digit lost.
  EXPECT_EQ(DecodeHexText("035A12337z"), Bytes({0x48, 0x69, 0x2A}));
}

TEST(ScrambleHexText, WritesTheLayoutTheDescramblerReads) {
  const auto result = ScrambleHexText("Hi!", "5a");
  ASSERT_EQ(result.error, "");
  EXPECT_EQ(result.text, "035A12337B");
}

TEST(ScrambleHexText, RefusesKeysTheLayoutCannotAnnounce) {
  EXPECT_NE(ScrambleHexText("abc", "").error, "");
  EXPECT_NE(ScrambleHexText("abc", std::string(255, '1')).error, "");
  EXPECT_NE(ScrambleHexText("abc", "5G").error, "");
  EXPECT_EQ(ScrambleHexText("abc", std::string(254, '1')).error, "");
}

TEST(ScrambleHexText, RefusesTextsThatWouldReadBackAsNothing) {
  EXPECT_NE(ScrambleHexText("Hi", "5A5").error, "");  // 9 digits
  const auto longer = ScrambleHexText("Hi", "5A5A");  // 10 digits
  ASSERT_EQ(longer.error, "");
  EXPECT_EQ(DecodeHexText(longer.text), "Hi");
  // Nothing to carry: any key will do, and nothing comes back.
  const auto empty = ScrambleHexText("", "1");
  ASSERT_EQ(empty.error, "");
  EXPECT_EQ(DecodeHexText(empty.text), "");
}

TEST(ScrambleHexText, EveryByteStringComesBackForRandomKeys) {
  std::mt19937 random(20240517);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> digit(0, 15);
  std::uniform_int_distribution<size_t> keyLength(1, kMaxKeyDigits);
  std::uniform_int_distribution<size_t> textLength(4, 300);
  constexpr char kDigits[] = "0123456789abcdef";
  for (int round = 0; round < 2000; ++round) {
    std::string plain(textLength(random), '\0');
    for (char& c : plain) c = static_cast<char>(byte(random));
    // Short keys most of the time: they make short texts, the edge case.
    std::string key(round % 4 == 0 ? keyLength(random) : 1 + round % 5, '0');
    for (char& c : key) c = kDigits[digit(random)];
    const auto scrambled = ScrambleHexText(plain, key);
    ASSERT_EQ(scrambled.error, "") << "key " << key;
    ASSERT_EQ(DecodeHexText(scrambled.text), plain) << "key " << key;
  }
}

}  // namespace
}  // namespace orvane
