#include "install/display_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "base/path.h"
#include "unit/install/gbk_test_support.h"

namespace orvane {
namespace {

using install_test::IsWholeGbk;

TEST(FitText, TextsThatFitStayUnchanged) {
  EXPECT_EQ(FitText("abcdef", 6), "abcdef");
  EXPECT_EQ(FitText("abc", 60), "abc");
  EXPECT_EQ(FitText("", 0), "");
}

TEST(FitText, WidthsBelowFourGiveOnlyDots) {
  EXPECT_EQ(FitText("abcdef", 3), "...");
  EXPECT_EQ(FitText("abcdef", 1), ".");
  EXPECT_EQ(FitText("abcdef", 0), "");
  EXPECT_EQ(FitText("abcdef", -5), "");
}

TEST(FitText, PlainTextKeepsAllButTwoBytesAndEndsInTwoDots) {
  EXPECT_EQ(FitText("abcdefghij", 6), "abcd..");
  EXPECT_EQ(FitText("abcdefghij", 4), "ab..");
}

TEST(FitText, DoubleByteCharacterBeforeTheCutIsKeptWhole) {
  // "\xC8\xED" is one GBK character. Width 7: its lead byte is at position
  // 4 with one high byte before the cut, so one dot ends the text.
  EXPECT_EQ(FitText("abc\xC8\xED"
                    "defg",
                    7),
            "abc\xC8\xED"
            "d.");
  // Its trail byte at position 4: two dots.
  EXPECT_EQ(FitText("ab\xC8\xED"
                    "cdefg",
                    7),
            "ab\xC8\xED"
            "c..");
}

TEST(FitText, ACharacterTheCutWouldSplitGivesWayToAnotherDot) {
  // Two characters at positions 2-5; two bytes kept before ".." would end
  // in the lead byte of the second one.
  EXPECT_EQ(FitText("a\xC8\xED\xBC\xFE"
                    "bcdef",
                    6),
            "a\xC8\xED...");
  // A trail byte below 0x80 (0x81 0x40) misleads a count of high bytes.
  EXPECT_EQ(FitText("ab\x81\x40\xC8\xED"
                    "cdef",
                    7),
            "ab\x81\x40...");
}

TEST(FitText, RandomGbkTextsAreCutToTheWidthOnCharacterBoundaries) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> kind(0, 3), ascii(0x20, 0x7E), lead(0x81, 0xFE),
      low(0x40, 0x7E), high(0x80, 0xFE), length(0, 40), width(-2, 45);
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    const int characters = length(random);
    for (int i = 0; i < characters; ++i) {
      if (kind(random) == 0) {
        const char c = static_cast<char>(ascii(random));
        text += c == '.' ? 'x' : c;  // dots in the text would blur where the cut is
      } else {
        text += static_cast<char>(lead(random));
        text += static_cast<char>(kind(random) == 1 ? low(random) : high(random));
      }
    }
    const int w = width(random);
    const std::string fitted = FitText(text, w);
    SCOPED_TRACE(text + " / " + std::to_string(w));
    if (w >= 0 && text.size() <= static_cast<size_t>(w)) {
      EXPECT_EQ(fitted, text);
      continue;
    }
    ASSERT_EQ(fitted.size(), static_cast<size_t>(std::max(w, 0)));
    const size_t kept = fitted.find_last_not_of('.') + 1;
    EXPECT_EQ(fitted.compare(0, kept, text, 0, kept), 0);
    EXPECT_TRUE(IsWholeGbk(fitted.substr(0, kept)));
    if (w >= 4) {
      EXPECT_GE(fitted.size() - kept, 1u);
      EXPECT_LE(fitted.size() - kept, 3u);
    }
  }
}

TEST(ShortenPathForDisplay, PathsWithinTheWidthStayUnchanged) {
  const std::string path = "C:\\Program Files\\Orvane\\bin\\x.exe";
  EXPECT_EQ(ShortenPathForDisplay(path, 60), path);
  const std::string sixty = "C:\\" + std::string(51, 'f') + "\\a.exe";
  ASSERT_EQ(sixty.size(), 60u);
  EXPECT_EQ(ShortenPathForDisplay(sixty, 60), sixty);
}

TEST(ShortenPathForDisplay, SixtyOneBytesBecomeSixtyWithTheFileNameWhole) {
  const std::string path = "C:\\" + std::string(52, 'f') + "\\a.exe";
  ASSERT_EQ(path.size(), 61u);
  const std::string shown = ShortenPathForDisplay(path, 60);
  EXPECT_EQ(shown.size(), 60u);
  EXPECT_EQ(shown, "C:\\" + std::string(50, 'f') + "..a.exe");
}

TEST(ShortenPathForDisplay, ChineseFoldersAreCutBetweenCharacters) {
  std::string folder = "D:\\";
  for (int i = 0; i < 30; ++i) folder += "软件";  // 120 bytes of GBK
  const std::string path = folder + "\\数据\\安装说明.txt";
  for (int width = 20; width <= 70; ++width) {
    const std::string shown = ShortenPathForDisplay(path, width);
    SCOPED_TRACE(width);
    EXPECT_EQ(shown.size(), static_cast<size_t>(width));
    EXPECT_TRUE(shown.ends_with("安装说明.txt"));
    EXPECT_TRUE(IsWholeGbk(shown));
  }
}

TEST(ShortenPathForDisplay, AFileNameAsLongAsTheWidthIsShownAlone) {
  const std::string name(60, 'n');
  EXPECT_EQ(ShortenPathForDisplay("C:\\dir\\" + name, 60), name);
  EXPECT_EQ(ShortenPathForDisplay("C:\\dir\\" + name + "x", 60), name + "x");
  // Three bytes left for the folder: only dots.
  const std::string name57(57, 'n');
  EXPECT_EQ(ShortenPathForDisplay("C:\\folder\\" + name57, 60), "..." + name57);
}

}  // namespace
}  // namespace orvane
