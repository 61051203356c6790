#include "random_access_input.h"

#include <cstring>

#include "archive_error.h"
#include "byte_source.h"

namespace orvane::archiver {

void MemoryInput::ReadAt(uint64_t offset, uint8_t* out, size_t size) {
  if (offset > size_ || size > size_ - offset) FailCorrupt("unexpected end of archive");
  if (size != 0) std::memcpy(out, data_ + offset, size);
}

void ReadExactly(ByteSource& source, uint8_t* out, size_t size) {
  while (size > 0) {
    size_t got = source.Read(out, size);
    if (got == 0) FailCorrupt("unexpected end of data");
    out += got;
    size -= got;
  }
}

}  // namespace orvane::archiver
