#include "install/extract_rules.h"

#include <gtest/gtest.h>

#include "install/status_throttle.h"

namespace orvane {
namespace {

TEST(ExtractCommandLine, QuotesArchiveAndFolderAndEndsTheFolderWithABackslash) {
  EXPECT_EQ(ExtractCommandLine("C:\\Orvane\\123.7z", "C:\\Orvane\\temp"),
            "x \"C:\\Orvane\\123.7z\" -hide -y \"C:\\Orvane\\temp\\\" *");
  EXPECT_EQ(ExtractCommandLine("a b.7z", "D:\\out dir\\"),
            "x \"a b.7z\" -hide -y \"D:\\out dir\\\" *");
}

TEST(ExtractCommandLine, AFolderEndingInACharacterWhoseTrailIsABackslashGetsItsOwn) {
  // 0x95 0x5C is one GBK character; its second byte is no separator.
  EXPECT_EQ(ExtractCommandLine("p.7z", "C:\\\x95\x5C"), "x \"p.7z\" -hide -y \"C:\\\x95\x5C\\\" *");
}

TEST(ExtractPercent, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(ExtractPercent(0, 1000), 0);
  EXPECT_EQ(ExtractPercent(1, 3), 33);
  EXPECT_EQ(ExtractPercent(2, 3), 67);
  EXPECT_EQ(ExtractPercent(1, 200), 0);  // 0.5
  EXPECT_EQ(ExtractPercent(3, 200), 2);  // 1.5
  EXPECT_EQ(ExtractPercent(5, 200), 2);  // 2.5
  EXPECT_EQ(ExtractPercent(7, 200), 4);  // 3.5
  EXPECT_EQ(ExtractPercent(1000, 1000), 100);
}

TEST(ExtractPercent, LargeFilesDoNotOverflowAndEmptyOrOverfullFilesAreComplete) {
  EXPECT_EQ(ExtractPercent(0xFFFFFFFEu, 0xFFFFFFFFu), 100);
  EXPECT_EQ(ExtractPercent(0x7FFFFFFFu, 0xFFFFFFFFu), 50);
  EXPECT_EQ(ExtractPercent(0, 0), 100);
  EXPECT_EQ(ExtractPercent(20, 10), 100);
}

TEST(StatusUpdateDue, OnlyAfterMoreThanThreeHundredMilliseconds) {
  EXPECT_FALSE(StatusUpdateDue(1000, 1000));
  EXPECT_FALSE(StatusUpdateDue(1300, 1000));
  EXPECT_TRUE(StatusUpdateDue(1301, 1000));
  EXPECT_TRUE(StatusUpdateDue(5'000'000, 0));
}

TEST(StatusUpdateDue, SurvivesTheWrapOfTheTick) {
  EXPECT_TRUE(StatusUpdateDue(100, 0xFFFFFF00u));  // 356 ms later
  EXPECT_FALSE(StatusUpdateDue(5, 0xFFFFFFF0u));   // 21 ms later
}

TEST(BarMoveDue, ANewPositionEveryFortyMillisecondsAndAlwaysTheEnd) {
  EXPECT_TRUE(BarMoveDue(10, 5, 1040, 1000));
  EXPECT_FALSE(BarMoveDue(10, 5, 1039, 1000));
  EXPECT_TRUE(BarMoveDue(100, 5, 1001, 1000));  // a finished file is always shown
  EXPECT_TRUE(BarMoveDue(0, 100, 1040, 1000));  // and so is the start of the next
}

TEST(BarMoveDue, NeverForThePositionAlreadyShown) {
  EXPECT_FALSE(BarMoveDue(37, 37, 9'000'000, 0));
  EXPECT_FALSE(BarMoveDue(100, 100, 1001, 1000));
}

TEST(BarMoveDue, SurvivesTheWrapOfTheTick) {
  EXPECT_TRUE(BarMoveDue(50, 40, 30, 0xFFFFFFF0u));   // 46 ms later
  EXPECT_FALSE(BarMoveDue(50, 40, 10, 0xFFFFFFF0u));  // 26 ms later
}

}  // namespace
}  // namespace orvane
