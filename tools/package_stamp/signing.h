// The studio's signing keys and ECDSA P-256 signatures over SHA-256, through
// OpenSSL's libcrypto. Signatures and public keys travel in the raw forms of
// package/signature_format.h (r||s, X||Y); OpenSSL's DER stays in here.
#pragma once

#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "package/signature_format.h"

namespace orvane::tools {

struct PkeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;

struct MdCtxFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

using Sha256Digest = std::array<uint8_t, 32>;

// A fresh P-256 key pair.
Pkey GenerateSigningKey(std::string& error);

// Writes the private key as PKCS#8 PEM to a new file readable by its owner
// only; an existing file is never replaced.
bool WritePrivateKeyFile(EVP_PKEY& key, const std::string& path, std::string& error);

// A P-256 private key from a PEM file; anything else (another curve, RSA,
// a public key, a key under a pass phrase) is refused.
Pkey ReadPrivateKeyFile(const std::string& path, std::string& error);

// The public half of a P-256 key as the build constant holds it.
std::optional<PublicKeyBytes> PublicKeyOf(EVP_PKEY& key, std::string& error);

// A public key from X||Y; None when the point is not on the curve.
Pkey PublicKeyFromBytes(const PublicKeyBytes& bytes);

// Hashes in pieces, so a package of any size is never held whole.
class Sha256 {
 public:
  Sha256();

  void Add(std::string_view bytes);
  // The first `size` bytes of the file; false when it cannot supply them.
  bool AddFile(const std::string& path, uint64_t size);
  // None when libcrypto failed along the way.
  std::optional<Sha256Digest> Finish();

 private:
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> context_;
  bool failed_ = false;
};

std::optional<SignatureBytes> SignDigest(EVP_PKEY& key, const Sha256Digest& digest,
                                         std::string& error);
bool VerifyDigest(EVP_PKEY& key, const Sha256Digest& digest, const SignatureBytes& signature);

}  // namespace orvane::tools
