#include "qqgame/image_path_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

namespace orvane {
namespace {

// The memory of a 64-bit process: records placed at addresses above 4 GiB,
// as they lie in a real one, and reads that fail outside them.
class FakeProcess {
 public:
  static constexpr uint64_t kPeb = 0x7FF6'1234'0000;
  static constexpr uint64_t kParameters = 0x0000'01A2'0000'0040;
  static constexpr uint64_t kText = 0x0000'01A2'0000'1000;

  explicit FakeProcess(const std::u16string& path, uint16_t extraMaximum = 2) {
    basic_.assign(kBasicInformationSize, 0xCC);
    Put(basic_, kPebBaseAddressOffset, kPeb, 8);
    std::vector<unsigned char> peb(kPebSize, 0xCC);
    Put(peb, kProcessParametersOffset, kParameters, 8);
    regions_[kPeb] = peb;
    std::vector<unsigned char> parameters(kProcessParametersSize, 0xCC);
    const auto length = static_cast<uint16_t>(path.size() * 2);
    Put(parameters, kImagePathLengthOffset, length, 2);
    Put(parameters, kImagePathMaximumLengthOffset, static_cast<uint16_t>(length + extraMaximum), 2);
    Put(parameters, kImagePathBufferOffset, kText, 8);
    regions_[kParameters] = parameters;
    // Only the counted text is mapped: reading up to the maximum would fail.
    std::vector<unsigned char> text;
    for (const char16_t unit : path) {
      text.push_back(static_cast<unsigned char>(unit & 0xFF));
      text.push_back(static_cast<unsigned char>(unit >> 8));
    }
    regions_[kText] = text;
  }

  static void Put(std::vector<unsigned char>& bytes, uint32_t offset, uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
      bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
  }

  std::vector<unsigned char>& Region(uint64_t address) { return regions_[address]; }

  QueryBasicInformation Query() {
    return [this](void* buffer, uint32_t size) -> int32_t {
      ++queries;
      if (queryStatus < 0) return queryStatus;
      if (size != kBasicInformationSize) return -1;
      std::memcpy(buffer, basic_.data(), size);
      return 0;
    };
  }

  ReadProcessBytes Read() {
    return [this](uint64_t address, void* buffer, uint64_t size) -> int32_t {
      ++reads;
      if (failingRead == reads) return static_cast<int32_t>(0xC0000005u);
      const auto region = regions_.find(address);
      if (region == regions_.end() || size > region->second.size()) {
        return static_cast<int32_t>(0x8000000Du);  // partial copy
      }
      std::memcpy(buffer, region->second.data(), size);
      return 0;
    };
  }

  int32_t queryStatus = 0;
  int failingRead = 0;  // 1-based index of a read that fails
  int queries = 0;
  int reads = 0;

 private:
  std::vector<unsigned char> basic_;
  std::map<uint64_t, std::vector<unsigned char>> regions_;
};

TEST(ImagePathRecords, FollowsBasicInformationPebAndParameters) {
  const std::u16string path = u"C:\\Program Files\\Tencent\\QQGame\\QQGame.exe";
  FakeProcess process(path);
  EXPECT_EQ(ReadImagePathRecords(process.Query(), process.Read()), path);
  EXPECT_EQ(process.queries, 1);
  EXPECT_EQ(process.reads, 3);
}

TEST(ImagePathRecords, ChineseUnitsAreKept) {
  const std::u16string path = u"D:\\游戏\\QQ游戏\\QQGame.exe";
  FakeProcess process(path);
  EXPECT_EQ(ReadImagePathRecords(process.Query(), process.Read()), path);
}

TEST(ImagePathRecords, PathLongerThan260UnitsIsReadWhole) {
  std::u16string path = u"\\\\?\\C:";
  while (path.size() < 700) path += u"\\folder";
  path += u"\\QQGame.exe";
  FakeProcess process(path);
  EXPECT_EQ(ReadImagePathRecords(process.Query(), process.Read()), path);
  // The longest text a path record can count.
  FakeProcess longest(std::u16string(32767, u'a'), 0);
  EXPECT_EQ(ReadImagePathRecords(longest.Query(), longest.Read())->size(), 32767u);
}

TEST(ImagePathRecords, NegativeStatusAtAnyStepGivesNoPath) {
  FakeProcess query(u"C:\\a.exe");
  query.queryStatus = static_cast<int32_t>(0xC0000022u);
  EXPECT_EQ(ReadImagePathRecords(query.Query(), query.Read()), std::nullopt);
  EXPECT_EQ(query.reads, 0);
  for (int failing = 1; failing <= 3; ++failing) {
    FakeProcess process(u"C:\\a.exe");
    process.failingRead = failing;
    EXPECT_EQ(ReadImagePathRecords(process.Query(), process.Read()), std::nullopt) << failing;
    EXPECT_EQ(process.reads, failing);
  }
}

TEST(ImagePathRecords, PositiveStatusCountsAsSuccess) {
  FakeProcess process(u"C:\\a.exe");
  process.queryStatus = 0x103;  // STATUS_PENDING is not a failure
  EXPECT_EQ(ReadImagePathRecords(process.Query(), process.Read()), std::u16string(u"C:\\a.exe"));
}

TEST(ImagePathRecords, InconsistentRecordsGiveNoPath) {
  FakeProcess tooLong(u"C:\\a.exe");
  auto& parameters = tooLong.Region(FakeProcess::kParameters);
  FakeProcess::Put(parameters, kImagePathMaximumLengthOffset, 4, 2);  // below the length
  EXPECT_EQ(ReadImagePathRecords(tooLong.Query(), tooLong.Read()), std::nullopt);

  FakeProcess noText(u"C:\\a.exe");
  FakeProcess::Put(noText.Region(FakeProcess::kParameters), kImagePathBufferOffset, 0, 8);
  EXPECT_EQ(ReadImagePathRecords(noText.Query(), noText.Read()), std::nullopt);

  EXPECT_EQ(ReadImagePathRecords(nullptr, noText.Read()), std::nullopt);
  EXPECT_EQ(ReadImagePathRecords(noText.Query(), nullptr), std::nullopt);
}

TEST(ImagePathRecords, EmptyOddAndTerminatedLengths) {
  FakeProcess empty(u"");
  EXPECT_EQ(ReadImagePathRecords(empty.Query(), empty.Read()), std::u16string());
  EXPECT_EQ(empty.reads, 2);  // no text to read

  FakeProcess odd(u"C:\\ab.exe");
  FakeProcess::Put(odd.Region(FakeProcess::kParameters), kImagePathLengthOffset, 17, 2);
  EXPECT_EQ(ReadImagePathRecords(odd.Query(), odd.Read()), std::u16string(u"C:\\ab.ex"));

  FakeProcess terminated(std::u16string(u"C:\\a.exe\0junk", 13));
  EXPECT_EQ(ReadImagePathRecords(terminated.Query(), terminated.Read()),
            std::u16string(u"C:\\a.exe"));
}

}  // namespace
}  // namespace orvane
