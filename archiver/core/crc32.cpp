#include "crc32.h"

#include <zlib.h>

#include <algorithm>

namespace orvane::archiver {

uint32_t Crc32Update(uint32_t crc, const uint8_t* data, size_t size) {
  // zlib takes 32-bit lengths.
  uLong value = crc;
  while (size > 0) {
    uInt chunk = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    value = crc32(value, data, chunk);
    data += chunk;
    size -= chunk;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace orvane::archiver
