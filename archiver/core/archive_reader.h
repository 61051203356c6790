// Reads the headers of a 7z archive: the signature header, then the
// (possibly LZMA-encoded) header with its streams and files.
#pragma once

#include <cstdint>

#include "archive_model.h"
#include "folder_decoder.h"
#include "random_access_input.h"

namespace orvane::archiver {

struct ReaderLimits {
  DecodeLimits decode;
  // The largest header, plain or after decoding, that is read into memory.
  uint64_t max_header_size = uint64_t{256} << 20;
};

ArchiveDatabase ReadArchive(RandomAccessInput& input, const ReaderLimits& limits = {});

// True when the first bytes carry the 7z signature.
bool HasSignature(const uint8_t* data, size_t size);

}  // namespace orvane::archiver
