// The end of any download may be taken for a signed package or a signed
// library, and the trusted keys come from a build setting: finding a
// signature and reading the keys must stay within the input and agree with
// what a signer writes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "package/info_block.h"
#include "package/signature_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view tail(reinterpret_cast<const char*>(data), size);
  const uint64_t fileSize = orvane::kMinPackageFileSize + 1 + size;

  if (const auto line = orvane::LocateSignatureLine(fileSize, tail)) {
    // The line found is the line a signer writes, ending the file.
    const std::string written = orvane::FormatSignatureLine(line->signature);
    if (line->signedSize + written.size() != fileSize) std::abort();
    if (tail.substr(tail.size() - 2) != "\r\n") std::abort();
  }
  for (const uint64_t trailerFileSize : {uint64_t{size}, fileSize}) {
    if (const auto trailer = orvane::LocateSignatureTrailer(trailerFileSize, tail)) {
      if (orvane::FormatSignatureTrailer(trailer->signature) !=
          tail.substr(tail.size() - orvane::kSignatureTrailerSize)) {
        std::abort();
      }
      if (trailer->signedSize + orvane::kSignatureTrailerSize != trailerFileSize) std::abort();
    }
  }
  if (const auto keys = orvane::ParsePublicKeys(tail)) {
    std::string again;
    for (const auto& key : *keys)
      again += (again.empty() ? "" : ",") + orvane::FormatPublicKey(key);
    const auto reread = orvane::ParsePublicKeys(again);
    if (!reread || *reread != *keys) std::abort();
  }
  return 0;
}
