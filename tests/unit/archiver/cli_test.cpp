// orvane7z: exit codes and output of list, test and extract.
#include <gtest/gtest.h>

#include "unit/archiver/test_tree.h"

namespace orvane::archiver {
namespace {

namespace fs = std::filesystem;
using testing::Quote;
using testing::RunShell;
using testing::TempDir;

const std::string kCli = ORVANE_CLI;
const fs::path kFixtures = ORVANE_FIXTURE_DIR;

TEST(Cli, ListsTestsAndExtracts) {
  TempDir dir;
  std::string archive = Quote((kFixtures / "chinese.7z").string());
  std::string listing = (dir.path() / "list.txt").string();
  ASSERT_EQ(RunShell(kCli + " l " + archive + " > " + Quote(listing)), 0);
  EXPECT_NE(testing::ReadFile(listing).find(testing::Utf8(u8"目录/子目录/文件.txt")),
            std::string::npos);
  EXPECT_EQ(RunShell(kCli + " t " + archive + " > /dev/null"), 0);
  ASSERT_EQ(RunShell(kCli + " x " + archive + " " + Quote((dir.path() / "out").string())), 0);
  EXPECT_TRUE(fs::is_regular_file(dir.path() / "out" / testing::Utf8(u8"目录/子目录/文件.txt")));
}

TEST(Cli, FailsWithExitCodeOneAndAReason) {
  TempDir dir;
  std::string err = Quote((dir.path() / "err.txt").string());
  EXPECT_EQ(RunShell(kCli + " t " + Quote((kFixtures / "password.7z").string()) + " 2> " + err), 1);
  EXPECT_NE(testing::ReadFile(dir.path() / "err.txt").find("encrypted"), std::string::npos);
  EXPECT_EQ(RunShell(kCli + " t " + Quote((kFixtures / "basic.tar.gz").string()) + " 2> /dev/null"),
            1);
  EXPECT_EQ(RunShell(kCli + " t /nonexistent.7z 2> /dev/null"), 1);
}

TEST(Cli, RefusesBadUsage) {
  EXPECT_EQ(RunShell(kCli + " 2> /dev/null"), 2);
  EXPECT_EQ(RunShell(kCli + " q a.7z 2> /dev/null"), 2);
  EXPECT_EQ(RunShell(kCli + " x a.7z 2> /dev/null"), 2);
}

}  // namespace
}  // namespace orvane::archiver
