// Pull-style byte streams: pack streams, coders and filters are all byte
// sources that read from the sources below them, so a folder decodes with
// memory bounded by its dictionaries whatever the archive's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvane::archiver {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes; returns 0 only at the end of the stream.
  virtual size_t Read(uint8_t* out, size_t size) = 0;
};

using ByteSourcePtr = std::unique_ptr<ByteSource>;

// Fills `out` completely or throws a corrupt-archive error.
void ReadExactly(ByteSource& source, uint8_t* out, size_t size);

}  // namespace orvane::archiver
