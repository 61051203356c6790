#include "signing.h"

#include <fcntl.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include "tool_files.h"

namespace orvane::tools {

namespace {

constexpr size_t kCoordinateSize = 32;
// OpenSSL's name of P-256.
constexpr char kCurveName[] = "prime256v1";

struct BioFree {
  void operator()(BIO* bio) const { BIO_free(bio); }
};
struct BnFree {
  void operator()(BIGNUM* bn) const { BN_free(bn); }
};
struct EcdsaSigFree {
  void operator()(ECDSA_SIG* sig) const { ECDSA_SIG_free(sig); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
};
using Bio = std::unique_ptr<BIO, BioFree>;
using Bn = std::unique_ptr<BIGNUM, BnFree>;
using EcdsaSig = std::unique_ptr<ECDSA_SIG, EcdsaSigFree>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, so a failed close (the last write's error) is seen.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The reason libcrypto gave last, for the end of a message; clears its queue.
std::string CryptoReason() {
  const unsigned long code = ERR_peek_last_error();
  ERR_clear_error();
  if (code == 0) return {};
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return std::string(" (") + text + ")";
}

bool IsP256(EVP_PKEY& key) {
  if (!EVP_PKEY_is_a(&key, "EC")) return false;
  char group[64] = {};
  size_t length = 0;
  return EVP_PKEY_get_group_name(&key, group, sizeof group, &length) == 1 &&
         std::string_view(group, length) == kCurveName;
}

// Never asks for a pass phrase: the tool runs in scripts, and a key under
// one is refused instead of waiting on the terminal.
int NoPassphrase(char*, int, int, void*) {
  return -1;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

Pkey GenerateSigningKey(std::string& error) {
  Pkey key(EVP_EC_gen("P-256"));
  if (!key) error = "cannot make a P-256 key" + CryptoReason();
  return key;
}

bool WritePrivateKeyFile(EVP_PKEY& key, const std::string& path, std::string& error) {
  Bio pem(BIO_new(BIO_s_mem()));
  if (!pem ||
      PEM_write_bio_PKCS8PrivateKey(pem.get(), &key, nullptr, nullptr, 0, nullptr, nullptr) != 1) {
    error = "cannot encode the private key" + CryptoReason();
    return false;
  }
  char* data = nullptr;
  const long size = BIO_get_mem_data(pem.get(), &data);
  // O_EXCL: an existing key, perhaps the only copy of the studio's, is
  // never replaced.
  FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (file.get() < 0) {
    error = errno == EEXIST ? path + " already exists; it is not replaced"
                            : "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  // The umask may only narrow the mode; make sure of it anyway.
  const bool written = ::fchmod(file.get(), 0600) == 0 &&
                       WriteAll(file.get(), std::string_view(data, static_cast<size_t>(size))) &&
                       ::fsync(file.get()) == 0 && file.Close();
  if (!written) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    ::unlink(path.c_str());
    return false;
  }
  return true;
}

Pkey ReadPrivateKeyFile(const std::string& path, std::string& error) {
  const auto text = ReadWholeFile(path);
  if (!text) {
    error = "cannot read " + path;
    return nullptr;
  }
  // A key file is a few hundred bytes; anything large is something else.
  if (text->size() > 64 * 1024) {
    error = path + " is too large to be a key file";
    return nullptr;
  }
  Bio bio(BIO_new_mem_buf(text->data(), static_cast<int>(text->size())));
  Pkey key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, NoPassphrase, nullptr) : nullptr);
  if (!key) {
    error = path + " holds no PEM private key without a pass phrase" + CryptoReason();
    return nullptr;
  }
  if (!IsP256(*key)) {
    char group[64] = {};
    size_t length = 0;
    std::string kind = EVP_PKEY_get0_type_name(key.get());
    if (EVP_PKEY_get_group_name(key.get(), group, sizeof group, &length) == 1) {
      kind += std::string(" on ") + group;
    }
    ERR_clear_error();
    error = path + " is not an ECDSA P-256 private key (it holds " + kind +
            "); orvane-stamp keygen makes one";
    return nullptr;
  }
  return key;
}

std::optional<PublicKeyBytes> PublicKeyOf(EVP_PKEY& key, std::string& error) {
  BIGNUM* x = nullptr;
  BIGNUM* y = nullptr;
  const bool got = EVP_PKEY_get_bn_param(&key, OSSL_PKEY_PARAM_EC_PUB_X, &x) == 1 &&
                   EVP_PKEY_get_bn_param(&key, OSSL_PKEY_PARAM_EC_PUB_Y, &y) == 1;
  const Bn ownX(x), ownY(y);
  PublicKeyBytes bytes;
  if (!got || BN_bn2binpad(x, bytes.data(), kCoordinateSize) < 0 ||
      BN_bn2binpad(y, bytes.data() + kCoordinateSize, kCoordinateSize) < 0) {
    error = "cannot read the public key" + CryptoReason();
    return std::nullopt;
  }
  return bytes;
}

Pkey PublicKeyFromBytes(const PublicKeyBytes& bytes) {
  // The uncompressed point encoding: 0x04, X, Y.
  std::array<unsigned char, 1 + kPublicKeySize> point{0x04};
  std::memcpy(point.data() + 1, bytes.data(), bytes.size());
  std::string group(kCurveName);
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, group.data(), 0),
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size()),
      OSSL_PARAM_construct_end()};
  PkeyCtx context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
  EVP_PKEY* raw = nullptr;
  if (!context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
      EVP_PKEY_fromdata(context.get(), &raw, EVP_PKEY_PUBLIC_KEY,
                        const_cast<OSSL_PARAM*>(params)) != 1) {
    ERR_clear_error();
    return nullptr;
  }
  Pkey key(raw);
  PkeyCtx check(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
  if (!check || EVP_PKEY_public_check(check.get()) != 1) {
    ERR_clear_error();
    return nullptr;
  }
  return key;
}

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
  failed_ = !context_ || EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) != 1;
}

void Sha256::Add(std::string_view bytes) {
  if (!failed_ && EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) != 1) {
    failed_ = true;
  }
}

bool Sha256::AddFile(const std::string& path, uint64_t size) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::vector<char> buffer(1 << 20);
  while (size > 0) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(size, buffer.size()));
    file.read(buffer.data(), static_cast<std::streamsize>(want));
    if (static_cast<size_t>(file.gcount()) != want) return false;
    Add(std::string_view(buffer.data(), want));
    size -= want;
  }
  return true;
}

std::optional<Sha256Digest> Sha256::Finish() {
  Sha256Digest digest;
  unsigned int length = 0;
  if (failed_ || EVP_DigestFinal_ex(context_.get(), digest.data(), &length) != 1 ||
      length != digest.size()) {
    ERR_clear_error();
    return std::nullopt;
  }
  failed_ = true;  // a context is final once
  return digest;
}

std::optional<SignatureBytes> SignDigest(EVP_PKEY& key, const Sha256Digest& digest,
                                         std::string& error) {
  PkeyCtx context(EVP_PKEY_CTX_new(&key, nullptr));
  size_t size = 0;
  if (!context || EVP_PKEY_sign_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) != 1 ||
      EVP_PKEY_sign(context.get(), nullptr, &size, digest.data(), digest.size()) != 1) {
    error = "cannot sign" + CryptoReason();
    return std::nullopt;
  }
  std::vector<unsigned char> der(size);
  if (EVP_PKEY_sign(context.get(), der.data(), &size, digest.data(), digest.size()) != 1) {
    error = "cannot sign" + CryptoReason();
    return std::nullopt;
  }
  const unsigned char* cursor = der.data();
  const EcdsaSig sig(d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(size)));
  SignatureBytes raw;
  if (!sig || BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), raw.data(), kCoordinateSize) < 0 ||
      BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), raw.data() + kCoordinateSize, kCoordinateSize) <
          0) {
    error = "cannot read the signature back" + CryptoReason();
    return std::nullopt;
  }
  return raw;
}

bool VerifyDigest(EVP_PKEY& key, const Sha256Digest& digest, const SignatureBytes& signature) {
  EcdsaSig sig(ECDSA_SIG_new());
  Bn r(BN_bin2bn(signature.data(), kCoordinateSize, nullptr));
  Bn s(BN_bin2bn(signature.data() + kCoordinateSize, kCoordinateSize, nullptr));
  if (!sig || !r || !s || ECDSA_SIG_set0(sig.get(), r.get(), s.get()) != 1) {
    ERR_clear_error();
    return false;
  }
  // The signature owns them now.
  r.release();
  s.release();
  const int size = i2d_ECDSA_SIG(sig.get(), nullptr);
  if (size <= 0) {
    ERR_clear_error();
    return false;
  }
  std::vector<unsigned char> der(static_cast<size_t>(size));
  unsigned char* cursor = der.data();
  PkeyCtx context(EVP_PKEY_CTX_new(&key, nullptr));
  const bool valid =
      i2d_ECDSA_SIG(sig.get(), &cursor) == size && context &&
      EVP_PKEY_verify_init(context.get()) == 1 &&
      EVP_PKEY_CTX_set_signature_md(context.get(), EVP_sha256()) == 1 &&
      EVP_PKEY_verify(context.get(), der.data(), der.size(), digest.data(), digest.size()) == 1;
  ERR_clear_error();
  return valid;
}

}  // namespace orvane::tools
