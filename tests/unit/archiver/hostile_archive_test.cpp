// Hostile archives fail cleanly: traversal names, wrong CRCs, truncation,
// impossible sizes and counts, broken coder graphs, random damage. Nothing
// is ever written outside the output folder, and nothing crashes (the
// tests run under ASan and UBSan).
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <optional>
#include <random>

#include "archiver/core/archive_error.h"
#include "archiver/core/archive_reader.h"
#include "archiver/core/crc32.h"
#include "archiver/core/extractor.h"
#include "archiver/core/write_behind_tree.h"
#include "archiver/native/posix_output.h"
#include "fixtures/7z/fixture_table.h"
#include "unit/archiver/archive_builder.h"
#include "unit/archiver/test_tree.h"

namespace orvane::archiver {
namespace {

namespace fs = std::filesystem;
using testing::BuildArchive;
using testing::BuilderEntry;
using testing::BuilderOptions;
using testing::PutName;
using testing::PutNumber;
using testing::TempDir;
using testing::WrapHeader;

const fs::path kFixtures = ORVANE_FIXTURE_DIR;

// Each file below `root` with its bytes; nothing when there is no `root`.
std::map<std::string, std::string> Contents(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::exists(root)) return files;
  for (const auto& [path, item] : testing::ReadTree(root)) files[path] = item.content;
  return files;
}

std::optional<ErrorKind> ExtractOnce(const std::vector<uint8_t>& bytes, const fs::path& out,
                                     bool onThreads) {
  MemoryInput input(bytes.data(), bytes.size());
  try {
    ArchiveDatabase db = ReadArchive(input);
    PosixOutputTree tree(out.string());
    DecodeLimits limits;
    limits.decode_on_threads = onThreads;
    // On threads, files are written behind the decoding, as the library does.
    std::unique_ptr<OutputTree> behind = onThreads ? MakeWriteBehindTree(tree, 1 << 16) : nullptr;
    ExtractAll(input, db, onThreads ? behind.get() : &tree, nullptr, limits);
    return std::nullopt;
  } catch (const ArchiveError& e) {
    return e.kind();
  }
}

// Extracts `bytes` into `root`/out; the error kind, or nothing on success.
// Decoding on threads must end the same way.
std::optional<ErrorKind> ExtractInto(const std::vector<uint8_t>& bytes, const fs::path& root) {
  const std::optional<ErrorKind> alone = ExtractOnce(bytes, root / "out", false);
  TempDir other;
  EXPECT_EQ(ExtractOnce(bytes, other.path() / "out", true), alone);
  // The same files are left, whole or not at all.
  EXPECT_EQ(Contents(other.path() / "out"), Contents(root / "out"));
  return alone;
}

// Only the output folder may appear beside it.
void ExpectOnlyOutputFolder(const fs::path& root) {
  for (const auto& e : fs::directory_iterator(root))
    EXPECT_EQ(e.path().filename(), "out") << "written outside the output folder: " << e.path();
}

TEST(BuiltArchives, ExtractLikeAnyOther) {
  TempDir dir;
  auto bytes =
      BuildArchive({{u"a.txt", "alpha"}, {u"d", "", true}, {u"d/b.txt", "beta"}, {u"e", ""}});
  ASSERT_EQ(ExtractInto(bytes, dir.path()), std::nullopt);
  EXPECT_EQ(testing::ReadFile(dir.path() / "out/a.txt"), "alpha");
  EXPECT_EQ(testing::ReadFile(dir.path() / "out/d/b.txt"), "beta");
  EXPECT_TRUE(fs::is_regular_file(dir.path() / "out/e"));
}

TEST(TraversalNames, AreRefusedBeforeAnythingIsWritten) {
  const char16_t* names[] = {u"../evil.txt",         u"a/../../evil.txt", u"..\\evil.txt",
                             u"a\\..\\..\\evil.txt", u"/tmp/evil.txt",    u"\\evil.txt",
                             u"C:\\evil.txt",        u"C:evil.txt",       u"ok.txt:evil",
                             u".. /evil.txt",        u"a/.../evil.txt",   u"NUL"};
  for (size_t i = 0; i < std::size(names); ++i) {
    const char16_t* name = names[i];
    TempDir dir;
    auto bytes = BuildArchive({{u"first.txt", "fine"}, {name, "evil"}, {u"last.txt", "fine"}});
    EXPECT_EQ(ExtractInto(bytes, dir.path()), ErrorKind::kUnsafePath) << "name #" << i;
    ExpectOnlyOutputFolder(dir.path());
    // The safe entries before it are not written either.
    EXPECT_FALSE(fs::exists(dir.path() / "out" / "first.txt"));
    EXPECT_FALSE(fs::exists("/tmp/evil.txt"));
  }
}

TEST(TraversalNames, ANameWithANulInsideIsRefused) {
  TempDir dir;
  // A name "a\0b" is two names to the reader: a file count of one with two
  // names left over must not pass, and a NUL never reaches the file system.
  std::vector<uint8_t> h = {0x01, 0x05};
  PutNumber(h, 1);
  h.push_back(0x0E);  // the entry is an empty stream (a folder)
  PutNumber(h, 1);
  h.push_back(0x80);
  h.push_back(0x11);
  std::vector<uint8_t> odd = {0x00, 'a', 0, 0, 0, 'b', 0, 0, 0};
  PutNumber(h, odd.size());
  h.insert(h.end(), odd.begin(), odd.end());
  h.push_back(0x00);
  h.push_back(0x00);
  auto result = ExtractInto(WrapHeader({}, h), dir.path());
  ASSERT_TRUE(result.has_value());
  ExpectOnlyOutputFolder(dir.path());
}

// A tree over `tree` that can fail the file named `failing` when it is made
// or written (as a full disk or a locked file would), and that holds its
// first file until the extraction has handed over `hold_until` whole
// files, or a while has passed. It observes the extraction for that.
class HeldTree : public OutputTree, public ExtractObserver {
 public:
  HeldTree(OutputTree& tree, int hold_until, std::u16string failing = {}, bool at_write = false)
      : tree_(tree), hold_until_(hold_until), failing_(std::move(failing)), at_write_(at_write) {}
  int handed_over_when_writing = -1;

  void MakeDirectory(const Entry& entry, const std::vector<std::u16string>& path) override {
    tree_.MakeDirectory(entry, path);
  }
  std::unique_ptr<OutputFile> CreateOutputFile(const Entry& entry,
                                               const std::vector<std::u16string>& path) override {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (handed_over_when_writing < 0) {
        changed_.wait_for(lock, std::chrono::milliseconds(300),
                          [this] { return handed_over_ >= hold_until_; });
        handed_over_when_writing = handed_over_;
      }
    }
    if (path.back() == failing_ && !at_write_) Fail(ErrorKind::kWriteFailed, "cannot create");
    std::unique_ptr<OutputFile> file = tree_.CreateOutputFile(entry, path);
    if (path.back() != failing_) return file;
    return std::make_unique<FailingFile>(std::move(file));
  }
  void Finish() override { tree_.Finish(); }

  bool FileBegins(const Entry&) override { return true; }
  bool FileProgress(const Entry& entry, uint64_t written) override {
    if (written == entry.size) {
      std::lock_guard<std::mutex> lock(mutex_);
      ++handed_over_;
      changed_.notify_all();
    }
    return true;
  }

 private:
  class FailingFile : public OutputFile {
   public:
    explicit FailingFile(std::unique_ptr<OutputFile> file) : file_(std::move(file)) {}
    void Write(const uint8_t* data, size_t size) override {
      file_->Write(data, size);
      Fail(ErrorKind::kWriteFailed, "cannot write");
    }
    void Commit() override { file_->Commit(); }
    void Discard() override { file_->Discard(); }

   private:
    std::unique_ptr<OutputFile> file_;
  };

  OutputTree& tree_;
  const int hold_until_;
  const std::u16string failing_;
  const bool at_write_;
  std::mutex mutex_;
  std::condition_variable changed_;
  int handed_over_ = 0;
};

// Extracts `bytes` through `held`, behind the decoding or not;
// the error kind, or nothing on success.
std::optional<ErrorKind> ExtractHeld(const std::vector<uint8_t>& bytes, HeldTree& held,
                                     bool behind) {
  MemoryInput input(bytes.data(), bytes.size());
  ArchiveDatabase db = ReadArchive(input);
  try {
    std::unique_ptr<OutputTree> writer = behind ? MakeWriteBehindTree(held, 1 << 20) : nullptr;
    ExtractAll(input, db, behind ? writer.get() : &held, &held);
    return std::nullopt;
  } catch (const ArchiveError& e) {
    return e.kind();
  }
}

TEST(WriteFailures, EndTheExtractionWithOnlyTheFilesBeforeLeft) {
  auto bytes =
      BuildArchive({{u"a.txt", "alpha"}, {u"b.txt", std::string(300000, 'b')}, {u"z.txt", "zulu"}});
  for (bool at_write : {false, true}) {
    for (bool behind : {false, true}) {
      TempDir dir;
      PosixOutputTree tree((dir.path() / "out").string());
      // Behind the decoding, the writer starts only once the last file is
      // queued: the failure comes after it, which must still be discarded.
      HeldTree held(tree, behind ? 3 : 0, u"b.txt", at_write);
      EXPECT_EQ(ExtractHeld(bytes, held, behind), ErrorKind::kWriteFailed) << at_write << behind;
      const std::map<std::string, std::string> left = {{"a.txt", "alpha"}};
      EXPECT_EQ(Contents(dir.path() / "out"), left) << at_write << behind;
    }
  }
}

TEST(WriteBehind, TheExtractionStaysAFewFilesAheadOfTheWriter) {
  // Tiny files queue next to no bytes: a stop, and the caller's callbacks,
  // must not wait for the writer to work through hundreds of them.
  std::vector<BuilderEntry> entries;
  for (int i = 0; i < 200; ++i)
    entries.push_back(
        {u"f" + std::u16string(1, u'0' + i % 10) + std::u16string(1, u'a' + i / 10), "x"});
  TempDir dir;
  PosixOutputTree tree((dir.path() / "out").string());
  HeldTree held(tree, 100);
  EXPECT_EQ(ExtractHeld(BuildArchive(entries), held, true), std::nullopt);
  EXPECT_LE(held.handed_over_when_writing, 20);
  EXPECT_EQ(Contents(dir.path() / "out").size(), entries.size());
}

TEST(Checksums, AWrongFileCrcFailsAndLeavesNoFile) {
  TempDir dir;
  BuilderOptions options;
  options.wrong_file_crc = true;
  auto bytes = BuildArchive({{u"a.txt", "alpha"}}, options);
  EXPECT_EQ(ExtractInto(bytes, dir.path()), ErrorKind::kChecksum);
  EXPECT_FALSE(fs::exists(dir.path() / "out/a.txt"));
}

TEST(Checksums, DamagedHeadersFailTheirCrc) {
  auto bytes = testing::ReadBytes(kFixtures / "default.7z");
  auto start = bytes;
  start[20] ^= 0x01;  // inside the start header
  auto next = bytes;
  next[next.size() - 3] ^= 0x01;  // inside the next header
  TempDir a, b;
  EXPECT_EQ(ExtractInto(start, a.path()), ErrorKind::kChecksum);
  EXPECT_EQ(ExtractInto(next, b.path()), ErrorKind::kChecksum);
}

TEST(Checksums, DamagedStoredBytesFailTheFileCrc) {
  // Copy carries no checksum of its own: only the file CRC catches this.
  auto bytes = testing::ReadBytes(kFixtures / "mx0.7z");
  bytes[32 + 100] ^= 0x40;
  TempDir dir;
  EXPECT_EQ(ExtractInto(bytes, dir.path()), ErrorKind::kChecksum);
}

TEST(Truncation, EveryPrefixOfAnArchiveFailsCleanly) {
  for (const char* name : {"default.7z", "x86-mx9.7z", "plain-header.7z"}) {
    auto bytes = testing::ReadBytes(kFixtures / name);
    for (size_t size = 0; size < bytes.size(); size += (size < 64 ? 1 : 97)) {
      std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(size));
      TempDir dir;
      auto result = ExtractInto(prefix, dir.path());
      ASSERT_TRUE(result.has_value()) << name << " cut at " << size;
      ExpectOnlyOutputFolder(dir.path());
    }
  }
}

TEST(HugeSizes, ANextHeaderBeyondTheFileFails) {
  std::vector<uint8_t> h = {0x01, 0x00};
  auto bytes = WrapHeader({}, h);
  bytes[27] = 0x7F;                             // next header size: now far beyond the archive
  uint32_t crc = Crc32(bytes.data() + 12, 20);  // only the size is wrong
  for (int i = 0; i < 4; ++i) bytes[8 + i] = static_cast<uint8_t>(crc >> (8 * i));
  TempDir dir;
  EXPECT_EQ(ExtractInto(bytes, dir.path()), ErrorKind::kCorrupt);
  EXPECT_EQ(ExtractInto(WrapHeader({}, h), dir.path()), std::nullopt);
}

TEST(HugeSizes, AFileLargerThanItsFolderFails) {
  BuilderOptions options;
  options.override_first_size = true;
  options.first_size = uint64_t{1} << 62;
  TempDir dir;
  EXPECT_EQ(ExtractInto(BuildArchive({{u"a", "aa"}, {u"b", "bb"}}, options), dir.path()),
            ErrorKind::kCorrupt);
}

// A header with one folder of the given coder records and sizes, fed by
// one pack stream of `packed` bytes, holding one file "f".
std::vector<uint8_t> FolderArchive(const std::vector<uint8_t>& packed,
                                   const std::vector<uint8_t>& folder_record,
                                   const std::vector<uint64_t>& unpack_sizes) {
  std::vector<uint8_t> h = {0x01, 0x04, 0x06};
  PutNumber(h, 0);
  PutNumber(h, 1);
  h.push_back(0x09);
  PutNumber(h, packed.size());
  h.push_back(0x00);
  h.push_back(0x07);
  h.push_back(0x0B);
  PutNumber(h, 1);
  h.push_back(0x00);
  h.insert(h.end(), folder_record.begin(), folder_record.end());
  h.push_back(0x0C);
  for (uint64_t size : unpack_sizes) PutNumber(h, size);
  h.push_back(0x00);
  h.push_back(0x00);
  h.push_back(0x05);
  PutNumber(h, 1);
  std::vector<uint8_t> names = {0x00};
  PutName(names, u"f");
  h.push_back(0x11);
  PutNumber(h, names.size());
  h.insert(h.end(), names.begin(), names.end());
  h.push_back(0x00);
  h.push_back(0x00);
  return WrapHeader(packed, h);
}

TEST(HugeSizes, ACopyFolderDeclaringMoreThanItHoldsFails) {
  std::vector<uint8_t> copy = {0x01, 0x01, 0x00};  // one coder, id 00
  TempDir dir;
  EXPECT_EQ(ExtractInto(FolderArchive({'a', 'b'}, copy, {uint64_t{1} << 60}), dir.path()),
            ErrorKind::kCorrupt);
  EXPECT_FALSE(fs::exists(dir.path() / "out/f"));
}

TEST(HugeSizes, AHugeDictionaryFailsBeforeAllocating) {
  // LZMA with a 4 GiB - 1 dictionary for a terabyte of output.
  std::vector<uint8_t> lzma = {0x01, 0x23, 0x03, 0x01, 0x01, 0x05, 0x5D, 0xFF, 0xFF, 0xFF, 0xFF};
  TempDir dir;
  EXPECT_EQ(ExtractInto(FolderArchive({0, 0, 0, 0, 0}, lzma, {uint64_t{1} << 40}), dir.path()),
            ErrorKind::kNoMemory);
}

TEST(HugeSizes, ADictionaryShrinksToTheOutput) {
  // The same dictionary for 100 bytes needs no more than 100 bytes: the
  // garbage input then fails as data, not as memory.
  std::vector<uint8_t> lzma = {0x01, 0x23, 0x03, 0x01, 0x01, 0x05, 0x5D, 0xFF, 0xFF, 0xFF, 0xFF};
  TempDir dir;
  auto result = ExtractInto(FolderArchive({0, 1, 2, 3, 4, 5, 6, 7}, lzma, {100}), dir.path());
  ASSERT_TRUE(result.has_value());
  EXPECT_NE(*result, ErrorKind::kNoMemory);
}

TEST(HugeSizes, CountsBeyondTheHeaderFail) {
  for (uint64_t count : {uint64_t{1} << 40, uint64_t{1000000}}) {
    std::vector<uint8_t> h = {0x01, 0x05};
    PutNumber(h, count);
    h.push_back(0x00);
    h.push_back(0x00);
    TempDir dir;
    EXPECT_EQ(ExtractInto(WrapHeader({}, h), dir.path()), ErrorKind::kCorrupt) << count;
  }
}

TEST(HugeSizes, AnEncodedHeaderFarLargerThanTheArchiveFails) {
  // An encoded header: one Copy folder declaring a 1 GiB header.
  std::vector<uint8_t> h = {0x17, 0x06};
  PutNumber(h, 0);
  PutNumber(h, 1);
  h.push_back(0x09);
  PutNumber(h, 4);
  h.push_back(0x00);
  h.push_back(0x07);
  h.push_back(0x0B);
  PutNumber(h, 1);
  h.push_back(0x00);
  h.insert(h.end(), {0x01, 0x01, 0x00});
  h.push_back(0x0C);
  PutNumber(h, uint64_t{1} << 30);
  h.push_back(0x00);
  h.push_back(0x00);
  auto bytes = WrapHeader({1, 0, 0, 0}, h);
  MemoryInput input(bytes.data(), bytes.size());
  try {
    ReadArchive(input);
    ADD_FAILURE() << "a 1 GiB header passed";
  } catch (const ArchiveError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kCorrupt);
    EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
  }
}

TEST(CoderGraphs, ABindPairLoopFailsCleanly) {
  // A coder with two inputs and two outputs whose second output feeds its
  // own first input.
  std::vector<uint8_t> loop = {0x01, 0x11, 0x00};
  PutNumber(loop, 2);
  PutNumber(loop, 2);
  PutNumber(loop, 0);  // bind pair: input 0 <- output 1
  PutNumber(loop, 1);
  TempDir dir;
  auto result = ExtractInto(FolderArchive({'x'}, loop, {1, 1}), dir.path());
  ASSERT_TRUE(result.has_value());
  ExpectOnlyOutputFolder(dir.path());
}

TEST(CoderGraphs, BindPairsNamingMissingStreamsFail) {
  // Two Copy coders; the bind pair names input 7 and output 9.
  std::vector<uint8_t> bad = {0x02, 0x01, 0x00, 0x01, 0x00};
  PutNumber(bad, 7);
  PutNumber(bad, 9);
  TempDir dir;
  EXPECT_EQ(ExtractInto(FolderArchive({'x'}, bad, {1, 1}), dir.path()), ErrorKind::kCorrupt);
}

TEST(CoderGraphs, UnknownAndEncryptedMethodsAreNamed) {
  std::vector<uint8_t> ppmd = {0x01, 0x03, 0x03, 0x04, 0x01};
  std::vector<uint8_t> aes = {0x01, 0x04, 0x06, 0xF1, 0x07, 0x01};
  TempDir a, b;
  EXPECT_EQ(ExtractInto(FolderArchive({'x'}, ppmd, {1}), a.path()), ErrorKind::kUnsupported);
  EXPECT_EQ(ExtractInto(FolderArchive({'x'}, aes, {1}), b.path()), ErrorKind::kEncrypted);
  auto bytes = FolderArchive({'x'}, ppmd, {1});
  MemoryInput input(bytes.data(), bytes.size());
  try {
    ArchiveDatabase db = ReadArchive(input);
    ExtractAll(input, db, nullptr, nullptr);
    ADD_FAILURE();
  } catch (const ArchiveError& e) {
    EXPECT_NE(std::string(e.what()).find("PPMD"), std::string::npos) << e.what();
  }
}

TEST(RandomDamage, NeverCrashesOrWritesOutside) {
  std::mt19937 random(20240102);
  for (const auto& fixture : fixtures::kExtractableFixtures) {
    auto original = testing::ReadBytes(kFixtures / fixture.archive);
    for (int round = 0; round < 40; ++round) {
      auto bytes = original;
      int flips = 1 + static_cast<int>(random() % 4);
      for (int i = 0; i < flips; ++i)
        bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
      TempDir dir;
      ExtractInto(bytes, dir.path());  // success or a clean error, never a crash
      ExpectOnlyOutputFolder(dir.path());
    }
  }
}

}  // namespace
}  // namespace orvane::archiver
