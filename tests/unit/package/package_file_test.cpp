#include "package/package_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "package/info_block.h"

namespace orvane {
namespace {

class PackageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() /
        ("orvane-package-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const auto path = folder_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  std::filesystem::path folder_;
};

std::string BlockNamed(const std::string& name) {
  return std::string(kInfoBlockMarker) + "\r\n名称=" + name + "\r\n";
}

TEST_F(PackageFileTest, ReadsTheRecordOfAStampedPackage) {
  const std::string block = BlockNamed("Tool");
  const auto record =
      ReadPackageRecord(Write("a.7z", std::string(2501 - block.size(), '7') + block));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->name, "Tool");
}

TEST_F(PackageFileTest, PackageOfExactly2500BytesCarriesNoBlock) {
  const std::string block = BlockNamed("Tool");
  const std::string path = Write("b.7z", std::string(2500 - block.size(), '7') + block);
  const auto tail = ReadPackageTail(path);
  ASSERT_TRUE(tail);
  EXPECT_EQ(tail->fileSize, 2500u);
  EXPECT_TRUE(tail->bytes.empty());
  EXPECT_FALSE(ReadPackageRecord(path));
}

TEST_F(PackageFileTest, TailIsTheLast2000Bytes) {
  std::string bytes(5000, 'a');
  bytes[3000] = 'B';
  bytes[4999] = 'E';
  const auto tail = ReadPackageTail(Write("c.7z", bytes));
  ASSERT_TRUE(tail);
  EXPECT_EQ(tail->bytes.size(), 2000u);
  EXPECT_EQ(tail->bytes.front(), 'B');
  EXPECT_EQ(tail->bytes.back(), 'E');
}

TEST_F(PackageFileTest, MissingFileCannotBeRead) {
  EXPECT_FALSE(ReadPackageTail((folder_ / "missing.7z").string()));
  EXPECT_FALSE(ReadPackageRecord((folder_ / "missing.7z").string()));
}

}  // namespace
}  // namespace orvane
