// orvane-stamp's commands beyond the block itself: the signing key, the
// trailer of files that are not packages, and checking either signature.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "package/signature_format.h"
#include "signing.h"

namespace orvane::tools {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitNoBlock = 3;
inline constexpr int kExitNotValid = 4;

// Writes "orvane-stamp: " + message to stderr; returns `code`.
int Fail(const std::string& message, int code = kExitFailed);

// The size of a file and its last `maxBytes` bytes (all of it when shorter).
struct FileEnd {
  uint64_t size = 0;
  std::string bytes;
};
std::optional<FileEnd> ReadFileEnd(const std::string& path, size_t maxBytes);

// Appends `bytes` to the file of `oldSize` bytes and, with a key, checks
// that the signature now at its end holds; on any failure the file is cut
// back to its old size.
bool AppendChecked(const std::string& path, uint64_t oldSize, std::string_view bytes, EVP_PKEY* key,
                   std::string& error);

// Whether the file's signature (line or trailer, as verify finds it) is
// valid for `key`; says why not in `error`.
bool SignatureHolds(const std::string& path, EVP_PKEY& key, std::string& error);

int MakeKey(const std::string& privateKeyPath);
int ShowPublicKey(const std::string& privateKeyPath);
int SignWithTrailer(const std::string& path, const std::string& privateKeyPath);
// `keysText` is the build constant's form: hex keys separated by commas.
int Verify(const std::string& path, std::string_view keysText);

}  // namespace orvane::tools
