#include "package/package_file.h"

#include <fstream>

#include "package/info_block.h"

namespace orvane {

std::optional<PackageTail> ReadPackageTail(const std::string& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return std::nullopt;
  const std::streamoff end = file.tellg();
  if (end < 0) return std::nullopt;
  PackageTail tail;
  tail.fileSize = static_cast<uint64_t>(end);
  if (tail.fileSize <= kMinPackageFileSize) return tail;
  tail.bytes.resize(kInfoBlockTailSize);
  file.seekg(end - static_cast<std::streamoff>(kInfoBlockTailSize));
  if (!file.read(tail.bytes.data(), static_cast<std::streamsize>(tail.bytes.size()))) {
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
