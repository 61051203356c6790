#include "qqgame/image_path_records.h"

#include <vector>

namespace orvane {
namespace {

uint64_t LittleEndian(const std::vector<unsigned char>& bytes, uint32_t offset, int width) {
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[offset + i];
  return value;
}

std::optional<std::vector<unsigned char>> ReadRecord(const ReadProcessBytes& read, uint64_t address,
                                                     uint32_t size) {
  std::vector<unsigned char> bytes(size);
  if (read(address, bytes.data(), size) < 0) return std::nullopt;
  return bytes;
}

}  // namespace

std::optional<std::u16string> ReadImagePathRecords(const QueryBasicInformation& query,
                                                   const ReadProcessBytes& read) {
  if (!query || !read) return std::nullopt;
  std::vector<unsigned char> basic(kBasicInformationSize);
  if (query(basic.data(), kBasicInformationSize) < 0) return std::nullopt;
  const uint64_t peb = LittleEndian(basic, kPebBaseAddressOffset, 8);

  const auto pebBytes = ReadRecord(read, peb, kPebSize);
  if (!pebBytes) return std::nullopt;
  const uint64_t parameters = LittleEndian(*pebBytes, kProcessParametersOffset, 8);

  const auto parameterBytes = ReadRecord(read, parameters, kProcessParametersSize);
  if (!parameterBytes) return std::nullopt;
  const auto length =
      static_cast<uint32_t>(LittleEndian(*parameterBytes, kImagePathLengthOffset, 2));
  const auto maximum =
      static_cast<uint32_t>(LittleEndian(*parameterBytes, kImagePathMaximumLengthOffset, 2));
  const uint64_t buffer = LittleEndian(*parameterBytes, kImagePathBufferOffset, 8);
  if (length > maximum) return std::nullopt;
  if (length == 0) return std::u16string();
  if (buffer == 0) return std::nullopt;

  // Only the text itself is read: the maximum may reach past what the
  // process has mapped, and the units beyond the length are not the path.
  const uint32_t units = length / 2;
  std::vector<unsigned char> text(units * 2);
  if (units == 0) return std::u16string();
  if (read(buffer, text.data(), text.size()) < 0) return std::nullopt;
  std::u16string path(units, u'\0');
  for (uint32_t i = 0; i < units; ++i) {
    path[i] = static_cast<char16_t>(text[2 * i] | (text[2 * i + 1] << 8));
  }
  // A terminator inside the counted text ends it.
  const size_t end = path.find(u'\0');
  if (end != std::u16string::npos) path.resize(end);
  return path;
}

}  // namespace orvane
