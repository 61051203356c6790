// CRC-32 (IEEE), the checksum of every 7z header and file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::archiver {

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t size);
inline uint32_t Crc32(const uint8_t* data, size_t size) {
  return Crc32Update(0, data, size);
}

}  // namespace orvane::archiver
