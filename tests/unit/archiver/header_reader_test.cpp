// 7z numbers, bit vectors and bounded counts.
#include "archiver/core/header_reader.h"

#include <gtest/gtest.h>

#include <vector>

#include "archiver/core/archive_error.h"

namespace orvane::archiver {
namespace {

uint64_t NumberOf(std::vector<uint8_t> bytes, size_t* used = nullptr) {
  HeaderReader r(bytes.data(), bytes.size());
  uint64_t v = r.ReadNumber();
  if (used) *used = bytes.size() - r.Remaining();
  return v;
}

TEST(HeaderNumbers, LeadingOnesCountTheExtraBytes) {
  size_t used = 0;
  EXPECT_EQ(NumberOf({0x7F}, &used), 0x7Fu);
  EXPECT_EQ(used, 1u);
  // 10xxxxxx: one extra byte, the first byte's low 6 bits are the high part.
  EXPECT_EQ(NumberOf({0x81, 0x02}, &used), 0x102u);
  EXPECT_EQ(used, 2u);
  EXPECT_EQ(NumberOf({0xC0, 0x34, 0x12}, &used), 0x1234u);
  EXPECT_EQ(used, 3u);
  EXPECT_EQ(NumberOf({0xE1, 0x03, 0x02, 0x01}, &used), 0x010203u | (1u << 24));
  // 11111111: eight extra bytes, nothing from the first.
  EXPECT_EQ(NumberOf({0xFF, 1, 2, 3, 4, 5, 6, 7, 8}, &used), 0x0807060504030201ull);
  EXPECT_EQ(used, 9u);
}

TEST(HeaderNumbers, TruncatedNumbersFail) {
  EXPECT_THROW(NumberOf({0xFF, 1, 2}), ArchiveError);
  EXPECT_THROW(NumberOf({}), ArchiveError);
  EXPECT_THROW(NumberOf({0x80}), ArchiveError);
}

TEST(HeaderBits, MostSignificantBitFirst) {
  std::vector<uint8_t> bytes = {0xA0, 0x80};
  HeaderReader r(bytes.data(), bytes.size());
  BitList bits = r.ReadBits(9);
  BitList expected = {1, 0, 1, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(bits, expected);
  EXPECT_TRUE(r.AtEnd());
}

TEST(HeaderBits, AllDefinedByteSkipsTheVector) {
  std::vector<uint8_t> bytes = {0x01, 0x55};
  HeaderReader r(bytes.data(), bytes.size());
  EXPECT_EQ(r.ReadOptionalBits(3), BitList(3, 1));
  EXPECT_EQ(r.Remaining(), 1u);
}

TEST(HeaderCounts, CountsLargerThanTheHeaderFailBeforeAllocating) {
  std::vector<uint8_t> huge = {0xFF, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0};
  HeaderReader r(huge.data(), huge.size());
  EXPECT_THROW(r.ReadCount(8), ArchiveError);
  std::vector<uint8_t> bits = {0x01};
  HeaderReader b(bits.data(), bits.size());
  EXPECT_THROW(b.ReadBits(9), ArchiveError);
}

TEST(HeaderSub, StaysInsideItsBytes) {
  std::vector<uint8_t> bytes = {1, 2, 3, 4};
  HeaderReader r(bytes.data(), bytes.size());
  HeaderReader sub = r.Sub(2);
  EXPECT_EQ(sub.ReadByte(), 1);
  EXPECT_EQ(sub.ReadByte(), 2);
  EXPECT_THROW(sub.ReadByte(), ArchiveError);
  EXPECT_EQ(r.ReadByte(), 3);
  EXPECT_THROW(r.Sub(5), ArchiveError);
}

}  // namespace
}  // namespace orvane::archiver
