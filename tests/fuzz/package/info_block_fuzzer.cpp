// The end of any file may be taken for a package: locating and reading the
// information block must stay within its fields for every tail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "package/info_block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view tail(reinterpret_cast<const char*>(data), size);
  const auto block = orvane::LocateInfoBlock(orvane::kMinPackageFileSize + 1 + size, tail);
  if (!block) return 0;
  if (!block->starts_with(orvane::kInfoBlockMarker)) std::abort();
  orvane::PackageRecord record;
  orvane::ParseInfoBlock(*block, record);
  if (record.name.size() >= orvane::kNameFieldSize ||
      record.fileName.size() >= orvane::kFileNameFieldSize ||
      record.version.size() >= orvane::kVersionFieldSize ||
      record.date.size() >= orvane::kDateFieldSize ||
      record.description.size() >= orvane::kDescriptionFieldSize) {
    std::abort();
  }
  for (const auto* text :
       {&record.name, &record.fileName, &record.version, &record.date, &record.description}) {
    if (text->find('\0') != std::string::npos) std::abort();
  }
  return 0;
}
