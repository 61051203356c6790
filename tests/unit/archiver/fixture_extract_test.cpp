// Every committed fixture extracts byte for byte equal to the tree it was
// made from, and equal to what bsdtar makes of it; encrypted archives fail
// with their reason and write nothing.
#include <gtest/gtest.h>

#include "archiver/core/archive_error.h"
#include "archiver/core/archive_reader.h"
#include "archiver/core/extractor.h"
#include "archiver/native/posix_input.h"
#include "archiver/native/posix_output.h"
#include "fixtures/7z/fixture_table.h"
#include "unit/archiver/test_tree.h"

namespace orvane::archiver {
namespace {

namespace fs = std::filesystem;
using testing::Quote;
using testing::ReadTree;
using testing::RunShell;
using testing::TempDir;

const fs::path kFixtures = ORVANE_FIXTURE_DIR;

void ExtractWithReader(const fs::path& archive, const fs::path& out) {
  PosixFileInput input(archive.string());
  ArchiveDatabase db = ReadArchive(input);
  PosixOutputTree tree(out.string());
  ExtractAll(input, db, &tree, nullptr);
}

class FixtureTest : public ::testing::TestWithParam<fixtures::SevenZipFixture> {};

TEST_P(FixtureTest, ExtractsTheSourceTree) {
  const fixtures::SevenZipFixture& f = GetParam();
  TempDir dir;
  fs::path expected = dir.path() / "expected", ours = dir.path() / "ours";
  fs::create_directories(expected);
  ASSERT_EQ(
      RunShell("bsdtar -xpf " + Quote((kFixtures / (std::string(f.tree) + ".tar.gz")).string()) +
               " -C " + Quote(expected.string())),
      0);
  ExtractWithReader(kFixtures / f.archive, ours);
  auto expected_tree = ReadTree(expected);
  ASSERT_FALSE(expected_tree.empty());
  EXPECT_EQ(ReadTree(ours), expected_tree);
}

TEST_P(FixtureTest, AgreesWithBsdtar) {
  const fixtures::SevenZipFixture& f = GetParam();
  if (!f.bsdtar_reads) GTEST_SKIP() << "bsdtar lacks a method of " << f.archive;
  TempDir dir;
  fs::path theirs = dir.path() / "theirs", ours = dir.path() / "ours";
  fs::create_directories(theirs);
  ASSERT_EQ(RunShell("LC_ALL=C.UTF-8 bsdtar -xf " + Quote((kFixtures / f.archive).string()) +
                     " -C " + Quote(theirs.string())),
            0);
  ExtractWithReader(kFixtures / f.archive, ours);
  auto theirs_tree = ReadTree(theirs), ours_tree = ReadTree(ours);
  ASSERT_EQ(theirs_tree.size(), ours_tree.size());
  for (const auto& [path, item] : theirs_tree) {
    ASSERT_TRUE(ours_tree.count(path)) << path;
    EXPECT_EQ(ours_tree[path].directory, item.directory) << path;
    EXPECT_EQ(ours_tree[path].content, item.content) << path;
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureTest, ::testing::ValuesIn(fixtures::kExtractableFixtures),
                         [](const auto& info) {
                           std::string name = info.param.archive;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST(EncryptedFixtures, FailAsEncryptedAndWriteNothing) {
  for (const char* name : fixtures::kPasswordFixtures) {
    TempDir dir;
    fs::path out = dir.path() / "out";
    try {
      ExtractWithReader(kFixtures / name, out);
      ADD_FAILURE() << name << " extracted without a password";
    } catch (const ArchiveError& e) {
      EXPECT_EQ(e.kind(), ErrorKind::kEncrypted) << name << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("encrypted"), std::string::npos);
    }
    EXPECT_TRUE(!fs::exists(out) || fs::is_empty(out)) << name;
  }
}

TEST(EmptyFixture, HasNoEntriesAndExtractsNothing) {
  PosixFileInput input((kFixtures / fixtures::kEmptyFixture).string());
  ArchiveDatabase db = ReadArchive(input);
  EXPECT_TRUE(db.entries.empty());
  TempDir dir;
  PosixOutputTree tree((dir.path() / "out").string());
  ExtractAll(input, db, &tree, nullptr);
  EXPECT_TRUE(fs::is_empty(dir.path() / "out"));
}

TEST(FixtureEntries, CarryTimesAttributesAndKinds) {
  PosixFileInput input((kFixtures / "default.7z").string());
  ArchiveDatabase db = ReadArchive(input);
  bool saw_read_only = false, saw_empty_dir = false, saw_chinese = false;
  for (const Entry& e : db.entries) {
    ASSERT_TRUE(e.modified.has_value());
    // 2024-01-02 10:30 UTC, as make-fixtures.sh stamps every entry.
    EXPECT_EQ(*e.modified, 133486650000000000ull) << std::string(e.name.begin(), e.name.end());
    if (e.name == u"read-only.txt") saw_read_only = e.IsReadOnly() && !e.is_directory;
    if (e.name == u"empty folder/inner") saw_empty_dir = e.is_directory && !e.has_stream;
    if (e.name == u"安装说明.txt") saw_chinese = e.has_stream;
    EXPECT_EQ(e.WindowsAttributes() & 0x8000u, 0u);
  }
  EXPECT_TRUE(saw_read_only);
  EXPECT_TRUE(saw_empty_dir);
  EXPECT_TRUE(saw_chinese);
}

}  // namespace
}  // namespace orvane::archiver
