#include "package/info_block_writer.h"

#include "package/info_block.h"
#include "package/package_info.h"

namespace orvane {

namespace {

// Appends "key" + value + CR LF, or says why the value cannot be read back.
std::string AppendLine(std::string& block, std::string_view key, std::string_view value,
                       size_t fieldSize, std::string_view what) {
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != value.npos) {
    return std::string(what) + " must not hold a line break or NUL byte";
  }
  if (value.size() > fieldSize - 1) {
    return std::string(what) + " is " + std::to_string(value.size()) +
           " bytes in GBK; its field holds at most " + std::to_string(fieldSize - 1);
  }
  block.append(key).append(value).append("\r\n");
  return {};
}

}  // namespace

InfoBlockText FormatInfoBlock(const InfoBlockValues& values) {
  std::string block(kInfoBlockMarker);
  block += "\r\n";
  if (values.id) block.append(kIdKey).append(std::to_string(*values.id)).append("\r\n");
  struct Field {
    std::string_view key;
    const std::optional<std::string>& value;
    size_t size;
    std::string_view what;
  };
  const Field fields[] = {
      {kNameKey, values.name, kNameFieldSize, "the name"},
      {kFileNameKey, values.fileName, kFileNameFieldSize, "the file name"},
      {kVersionKey, values.version, kVersionFieldSize, "the version"},
      {kDateKey, values.date, kDateFieldSize, "the date"},
      {kDescriptionKey, values.description, kDescriptionFieldSize, "the description"},
  };
  for (const Field& f : fields) {
    if (!f.value) continue;
    std::string error = AppendLine(block, f.key, *f.value, f.size, f.what);
    if (!error.empty()) return {{}, error};
  }
  return {block, {}};
}

std::string CheckBlockPlacement(uint64_t fileSize, std::string_view tail, size_t blockSize) {
  if (blockSize > kInfoBlockTailSize) {
    return "the block is " + std::to_string(blockSize) + " bytes; it must fit in the last " +
           std::to_string(kInfoBlockTailSize);
  }
  if (fileSize + blockSize <= kMinPackageFileSize) {
    return "the package would be " + std::to_string(fileSize + blockSize) +
           " bytes; it must be longer than " + std::to_string(kMinPackageFileSize);
  }
  // The reader takes the first marker of the file's last 2000 bytes, so one
  // already there would hide the new block.
  const size_t kept = kInfoBlockTailSize - blockSize;
  const std::string_view stays = tail.size() > kept ? tail.substr(tail.size() - kept) : tail;
  if (stays.find(kInfoBlockMarker) != stays.npos) {
    return "the file already carries an information block near its end";
  }
  return {};
}

}  // namespace orvane
