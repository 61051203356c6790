// Property: any tree 7zz packs, at any of its usual settings, comes back
// byte for byte. Seeded, so a failure names a reproducible tree.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "archiver/core/archive_reader.h"
#include "archiver/core/extractor.h"
#include "archiver/core/write_behind_tree.h"
#include "archiver/native/posix_input.h"
#include "archiver/native/posix_output.h"
#include "unit/archiver/test_tree.h"

namespace orvane::archiver {
namespace {

namespace fs = std::filesystem;
using testing::Quote;
using testing::ReadTree;
using testing::RunShell;
using testing::TempDir;

const char* kSettings[] = {
    "",
    "-mx=0",
    "-mx=1",
    "-mx=3",
    "-mx=7",
    "-mx=9",
    "-m0=LZMA",
    "-mhc=off",
    "-ms=off",
    "-ms=8k",  // many folders
    "-m0=LZMA2:d=64k",
    "-m0=LZMA:d=64k",  // output wraps the dictionary ring
    "-mx=1 -m0=LZMA2:d=4k",
    "-mf=Delta:2",
    "-mf=ARM64",
    "-mf=ARMT",
    "-mf=BCJ",
    "-mx=9 -mf=BCJ2",
    "-mf=ARM",
    "-mhc=off -mx=0",
};

// Text-like runs, random bytes and repeats, so every coder path is used:
// literals, matches, stored LZMA2 chunks for incompressible data.
std::string Content(std::mt19937& random, size_t size) {
  static const char* words[] = {"setup ", "archive ", "安装 ", "\n", "folder ", "0123456789 "};
  std::string s;
  while (s.size() < size) {
    switch (random() % 3) {
      case 0:
        for (int i = 0; i < 40; ++i) s += words[random() % 6];
        break;
      case 1:
        for (int i = 0; i < 300; ++i) s += static_cast<char>(random());
        break;
      default:
        if (!s.empty()) s += s.substr(random() % s.size(), 200);
    }
  }
  s.resize(size);
  return s;
}

void MakeTree(std::mt19937& random, const fs::path& root) {
  std::vector<fs::path> folders = {root};
  int entries = 1 + static_cast<int>(random() % 12);
  for (int i = 0; i < entries; ++i) {
    const fs::path& parent = folders[random() % folders.size()];
    std::string name =
        (random() % 4 == 0 ? testing::Utf8(u8"文件") : std::string("f")) + std::to_string(i);
    if (random() % 5 == 0) {
      fs::create_directories(parent / ("d" + std::to_string(i)));
      folders.push_back(parent / ("d" + std::to_string(i)));
      continue;
    }
    size_t size = random() % 4 == 0 ? 0 : random() % (random() % 3 == 0 ? 300000 : 5000);
    std::ofstream(parent / name, std::ios::binary) << Content(random, size);
  }
}

TEST(RandomTrees, ComeBackByteForByte) {
  std::mt19937 random(6);
  for (int round = 0; round < 30; ++round) {
    TempDir dir;
    fs::path source = dir.path() / "source", out = dir.path() / "out";
    fs::create_directories(source);
    MakeTree(random, source);
    const char* settings = kSettings[random() % std::size(kSettings)];
    std::string archive = (dir.path() / "a.7z").string();
    ASSERT_EQ(RunShell("cd " + Quote(source.string()) + " && 7zz a -bd -bso0 -bsp0 " + settings +
                       " " + Quote(archive) + " . >/dev/null"),
              0)
        << settings;
    PosixFileInput input(archive);
    ArchiveDatabase db = ReadArchive(input);
    PosixOutputTree tree(out.string());
    DecodeLimits limits;
    limits.decode_on_threads = round % 2 == 1;
    // Every other threaded round writes behind the decoding through a queue
    // small enough to fill.
    std::unique_ptr<OutputTree> behind = round % 4 == 3 ? MakeWriteBehindTree(tree, 4096) : nullptr;
    ExtractAll(input, db, behind ? behind.get() : &tree, nullptr, limits);
    EXPECT_EQ(ReadTree(out), ReadTree(source)) << "round " << round << " settings " << settings;
  }
}

}  // namespace
}  // namespace orvane::archiver
