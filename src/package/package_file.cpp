#include "package/package_file.h"

#include <cstdio>
#include <memory>

#include "package/info_block.h"

namespace orvane {
namespace {

// C stdio rather than iostreams: the streams would bring the C++ locale
// machinery into the setup program.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueStdFile = std::unique_ptr<std::FILE, FileCloser>;

bool SeekFromEnd(std::FILE* file, int64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, offset, SEEK_END) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_END) == 0;
#endif
}

int64_t Position(std::FILE* file) {
#ifdef _WIN32
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace

std::optional<PackageTail> ReadPackageTail(const std::string& path) {
  UniqueStdFile file(std::fopen(path.c_str(), "rb"));
  if (!file || !SeekFromEnd(file.get(), 0)) return std::nullopt;
  const int64_t end = Position(file.get());
  if (end < 0) return std::nullopt;
  PackageTail tail;
  tail.fileSize = static_cast<uint64_t>(end);
  if (tail.fileSize <= kMinPackageFileSize) return tail;
  tail.bytes.resize(kInfoBlockTailSize);
  if (!SeekFromEnd(file.get(), -static_cast<int64_t>(kInfoBlockTailSize)) ||
      std::fread(tail.bytes.data(), 1, tail.bytes.size(), file.get()) != tail.bytes.size()) {
    return std::nullopt;
  }
  return tail;
}

std::optional<PackageRecord> ReadPackageRecord(const std::string& path) {
  const auto tail = ReadPackageTail(path);
  if (!tail) return std::nullopt;
  const auto block = LocateInfoBlock(tail->fileSize, tail->bytes);
  if (!block) return std::nullopt;
  PackageRecord record;
  ParseInfoBlock(*block, record);
  return record;
}

}  // namespace orvane
