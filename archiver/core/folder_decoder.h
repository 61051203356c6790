// Turns a folder (coders joined by bind pairs, fed by pack streams) into
// one byte source of its unpacked bytes.
#pragma once

#include <cstdint>
#include <string>

#include "archive_model.h"
#include "byte_source.h"
#include "random_access_input.h"

namespace orvane::archiver {

struct DecodeLimits {
  // The largest dictionary any one coder may allocate.
  uint64_t max_dictionary = uint64_t{1} << 30;
  // Decode on threads of their own, the next folder while the current one
  // is written: faster on two cores, but two folders' dictionaries and up
  // to kDecodeAheadBytes more are held at once.
  bool decode_on_threads = false;
};
inline constexpr size_t kDecodeAheadBytes = size_t{128} << 20;

// A readable name of a coder's method, for messages and listings.
std::string MethodName(const CoderInfo& coder);

// Throws kEncrypted or kUnsupported for a folder this reader cannot decode,
// and kNoMemory when a dictionary would exceed the limit; decodes nothing.
void CheckFolderSupported(const Folder& folder, const DecodeLimits& limits);

// The folder's unpacked bytes: exactly folder.UnpackSize() of them, or an
// error. Reads the archive lazily.
ByteSourcePtr OpenFolder(RandomAccessInput& input, const StreamsInfo& streams, size_t folder_index,
                         const DecodeLimits& limits);

}  // namespace orvane::archiver
