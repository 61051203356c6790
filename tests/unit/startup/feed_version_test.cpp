#include "startup/feed_version.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// Neither is older than the other.
void ExpectSameVersion(const char* a, const char* b) {
  EXPECT_FALSE(CompareVersions(a, b)) << a << " vs " << b;
  EXPECT_FALSE(CompareVersions(b, a)) << b << " vs " << a;
}

TEST(CompareVersions, MissingPartsCountAsZero) {
  ExpectSameVersion("1.2", "1.2.0.0");
  ExpectSameVersion("", "0.0.0.0");
  ExpectSameVersion("1", "1.0");
}

TEST(CompareVersions, PartsCompareAsNumbers) {
  EXPECT_TRUE(CompareVersions("1.9", "1.10"));
  EXPECT_FALSE(CompareVersions("1.10", "1.9"));
  EXPECT_TRUE(CompareVersions("1.2.2.9", "1.2.3"));
  EXPECT_TRUE(CompareVersions("2.0.0.1", "2.0.0.2"));
  EXPECT_FALSE(CompareVersions("2.0.0.2", "2.0.0.1"));
}

TEST(CompareVersions, EqualVersionsAreNotOlder) {
  ExpectSameVersion("1.2.3", "1.2.3");
}

TEST(CompareVersions, PartsAfterTheFourthAreIgnored) {
  ExpectSameVersion("1.2.3.4.5", "1.2.3.4");
  ExpectSameVersion("1.2.3.4.9", "1.2.3.4.1");
}

TEST(CompareVersions, EmptyVersionIsOlderThanAnyListedOne) {
  EXPECT_TRUE(CompareVersions("", "0.0.0.1"));
  EXPECT_FALSE(CompareVersions("0.0.0.1", ""));
}

TEST(CompareVersions, PartsAreReadLikeNumbers) {
  // Leading blanks skipped, the numeric prefix taken, nothing is 0.
  EXPECT_EQ(VersionParts(" 7b.x.12beta"), (std::array<int64_t, 4>{7, 0, 12, 0}));
  ExpectSameVersion("1. 2", "1.2");
  EXPECT_TRUE(CompareVersions("1.-1", "1.0"));
}

}  // namespace
}  // namespace orvane
