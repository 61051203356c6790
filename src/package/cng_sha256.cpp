#include "package/cng_sha256.h"

#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <algorithm>

namespace orvane {

CngSha256::CngSha256() {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  DWORD objectSize = 0;
  ULONG got = 0;
  if (!BCRYPT_SUCCESS(
          BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    failed_ = true;
    return;
  }
  algorithm_ = algorithm;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!BCRYPT_SUCCESS(BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH,
                                        reinterpret_cast<PUCHAR>(&objectSize), sizeof objectSize,
                                        &got, 0))) {
    failed_ = true;
    return;
  }
  object_.resize(objectSize);
  if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, object_.data(),
                                       static_cast<ULONG>(object_.size()), nullptr, 0, 0))) {
    failed_ = true;
    return;
  }
  hash_ = hash;
}

CngSha256::~CngSha256() {
  // The object's memory goes only after its handle.
  if (hash_) BCryptDestroyHash(hash_);
  if (algorithm_) BCryptCloseAlgorithmProvider(algorithm_, 0);
}

bool CngSha256::Add(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (!failed_ && size > 0) {
    const ULONG chunk = static_cast<ULONG>(std::min<size_t>(size, 1u << 30));
    failed_ = !BCRYPT_SUCCESS(BCryptHashData(hash_, const_cast<PUCHAR>(bytes), chunk, 0));
    bytes += chunk;
    size -= chunk;
  }
  return !failed_;
}

std::optional<Sha256Digest> CngSha256::Finish() {
  if (failed_) return std::nullopt;
  failed_ = true;  // a finished hash takes nothing more
  Sha256Digest digest{};
  if (!BCRYPT_SUCCESS(
          BCryptFinishHash(hash_, digest.data(), static_cast<ULONG>(digest.size()), 0))) {
    return std::nullopt;
  }
  return digest;
}

}  // namespace orvane
