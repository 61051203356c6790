// Reading a package file's tail, where its information block lives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "package/package_info.h"

namespace orvane {

struct PackageTail {
  uint64_t fileSize = 0;
  // The last 2000 bytes when the file is long enough to carry a block,
  // otherwise empty.
  std::string bytes;
};

// None when the file cannot be opened for reading.
std::optional<PackageTail> ReadPackageTail(const std::string& path);

// The record of the package at `path`, when it carries a block.
std::optional<PackageRecord> ReadPackageRecord(const std::string& path);

}  // namespace orvane
