#include "package/signature_check.h"

#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/text.h"
#include "base/win/handles.h"
#include "package/cng_sha256.h"
#include "package/download_digest.h"
#include "package/info_block.h"
#include "package/signature_format.h"
#include "wizard/wizard_window.h"

namespace orvane {

namespace {

constexpr DWORD kReadBlock = 1 << 20;
constexpr ULONG kP256CoordinateSize = 32;

struct AlgorithmCloser {
  void operator()(BCRYPT_ALG_HANDLE h) const { BCryptCloseAlgorithmProvider(h, 0); }
};
struct KeyCloser {
  void operator()(BCRYPT_KEY_HANDLE h) const { BCryptDestroyKey(h); }
};
using UniqueAlgorithm = std::unique_ptr<void, AlgorithmCloser>;
using UniqueKey = std::unique_ptr<void, KeyCloser>;

UniqueAlgorithm OpenAlgorithm(LPCWSTR name) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0))) return nullptr;
  return UniqueAlgorithm(handle);
}

struct HeldFile {
  std::string path;
  UniqueFile file;
};
std::vector<HeldFile> HeldFiles;

uint64_t SizeOf(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD size) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD read = 0;
  return ReadFile(file, buffer, size, &read, &at) && read == size;
}

// SHA-256 of the file's first `size` bytes.
std::optional<Sha256Digest> HashFilePrefix(HANDLE file, uint64_t size) {
  CngSha256 hash;
  std::vector<UCHAR> buffer(kReadBlock);
  for (uint64_t done = 0; done < size;) {
    const DWORD chunk = static_cast<DWORD>(std::min<uint64_t>(kReadBlock, size - done));
    if (!ReadAt(file, done, buffer.data(), chunk) || !hash.Add(buffer.data(), chunk)) {
      return std::nullopt;
    }
    done += chunk;
  }
  return hash.Finish();
}

// The digest and signature are copies: the call takes non-const buffers.
bool SignedBy(const PublicKeyBytes& key, Sha256Digest digest, SignatureBytes signature) {
  const auto algorithm = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!algorithm) return false;
  std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key.size());
  const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kP256CoordinateSize};
  std::copy_n(reinterpret_cast<const UCHAR*>(&header), sizeof header, blob.begin());
  std::copy(key.begin(), key.end(), blob.begin() + sizeof header);
  BCRYPT_KEY_HANDLE rawKey = nullptr;
  if (!BCRYPT_SUCCESS(BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &rawKey,
                                          blob.data(), static_cast<ULONG>(blob.size()), 0))) {
    return false;
  }
  const UniqueKey publicKey(rawKey);
  return BCRYPT_SUCCESS(BCryptVerifySignature(publicKey.get(), nullptr, digest.data(),
                                              static_cast<ULONG>(digest.size()), signature.data(),
                                              static_cast<ULONG>(signature.size()), 0));
}

// The digest taken while the file arrived, when the file on disk still
// ends with the bytes that came last; none sends the caller to the file.
std::optional<Sha256Digest> StreamedDigest(DownloadDigest* streamed, HANDLE file, uint64_t size,
                                           uint64_t signedSize) {
  if (!streamed || streamed->Total() != size) return std::nullopt;
  const std::string& held = streamed->HeldTail();
  std::string onDisk(held.size(), '\0');
  if (!ReadAt(file, size - held.size(), onDisk.data(), static_cast<DWORD>(onDisk.size())) ||
      onDisk != held) {
    return std::nullopt;
  }
  return streamed->DigestOf(signedSize);
}

std::optional<SignedRange> FindSignature(HANDLE file, uint64_t size, SignatureForm form) {
  const uint64_t tailSize =
      std::min<uint64_t>(size, std::max<uint64_t>(kInfoBlockTailSize, kSignatureTrailerSize));
  std::string tail(static_cast<size_t>(tailSize), '\0');
  if (!ReadAt(file, size - tailSize, tail.data(), static_cast<DWORD>(tailSize))) {
    return std::nullopt;
  }
  return form == SignatureForm::kPackageLine ? LocateSignatureLine(size, tail)
                                             : LocateSignatureTrailer(size, tail);
}

}  // namespace

bool SignedBuild() {
  return !TrimBlanks(TrustedPackageKeys).empty();
}

bool CheckFileSignature(const std::string& path, SignatureForm form, DownloadDigest* streamed) {
  if (!SignedBuild()) return true;
  ReleaseSignedFile(path);
  const auto keys = ParsePublicKeys(TrustedPackageKeys);
  if (!keys || keys->empty()) return false;
  // No sharing for writing or deletion: the bytes checked stay the bytes
  // read until the hold ends.
  UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  const uint64_t size = SizeOf(file.get());
  const auto range = FindSignature(file.get(), size, form);
  if (!range) return false;
  auto digest = StreamedDigest(streamed, file.get(), size, range->signedSize);
  if (!digest) digest = HashFilePrefix(file.get(), range->signedSize);
  if (!digest) return false;
  const bool valid = std::any_of(keys->begin(), keys->end(), [&](const PublicKeyBytes& key) {
    return SignedBy(key, *digest, range->signature);
  });
  if (valid) HeldFiles.push_back({path, std::move(file)});
  return valid;
}

DownloadDigest* DigestIfSigned(std::optional<DownloadDigest>& slot) {
  if (!SignedBuild()) return nullptr;
  slot.emplace();
  return &*slot;
}

bool SignedFileHeld(const std::string& path) {
  return std::any_of(HeldFiles.begin(), HeldFiles.end(),
                     [&](const HeldFile& held) { return held.path == path; });
}

void ReleaseSignedFile(const std::string& path) {
  std::erase_if(HeldFiles, [&](const HeldFile& held) { return held.path == path; });
}

void ShowSignatureFailureBox(const std::string& fileName) {
  const std::string text = fileName +
                           "\r\n\r\n文件校验失败！！！\r\n\r\n此文件可能已被改动，或在下载中损坏，"
                           "\r\n为了你的电脑安全，本软件不会使用它。\r\n\r\n   　－－－－感谢你使用"
                           "【Orvane软件】";
  MessageBoxA(WizardHandle, text.c_str(), "软件安装", MB_OK | MB_ICONERROR);
}

}  // namespace orvane
