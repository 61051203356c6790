// A SHA-256 digest in progress, with Windows' own CNG. The hash object's
// memory is ours: Windows Vista, which the wizard supports, does not
// allocate it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvane {

using Sha256Digest = std::array<uint8_t, 32>;

class CngSha256 {
 public:
  CngSha256();
  ~CngSha256();
  CngSha256(const CngSha256&) = delete;
  CngSha256& operator=(const CngSha256&) = delete;

  // False once anything failed; such a digest never finishes.
  bool Add(const void* data, size_t size);
  // Ends the digest; none when it failed.
  std::optional<Sha256Digest> Finish();

 private:
  void* algorithm_ = nullptr;  // BCRYPT_ALG_HANDLE
  void* hash_ = nullptr;       // BCRYPT_HASH_HANDLE
  std::vector<uint8_t> object_;
  bool failed_ = false;
};

}  // namespace orvane
