// The bytes the fault server sends as a file body: a function of a seed and
// the offset, so tests check a download without keeping a copy.
#pragma once

#include <cstdint>
#include <string>

namespace orvane::testing {

inline unsigned char FaultContentByte(uint32_t seed, uint64_t offset) {
  uint32_t x = static_cast<uint32_t>(offset) * 2654435761u ^ (seed + 1) * 40503u;
  x ^= x >> 13;
  x *= 0x5bd1e995u;
  x ^= x >> 15;
  return static_cast<unsigned char>(x);
}

inline std::string FaultContent(uint32_t seed, uint64_t size) {
  std::string bytes(size, '\0');
  for (uint64_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(FaultContentByte(seed, i));
  return bytes;
}

}  // namespace orvane::testing
