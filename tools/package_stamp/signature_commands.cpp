#include "signature_commands.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "package/info_block.h"

namespace orvane::tools {

namespace {

// The signature a file carries, read the way the wizard reads it: a file
// with an information block is a package and is signed by its last line;
// any other file by its trailer.
struct FoundSignature {
  std::string_view kind;
  std::optional<SignedRange> range;
};

FoundSignature FindSignature(const FileEnd& end) {
  if (LocateInfoBlock(end.size, end.bytes)) {
    return {"signature line", LocateSignatureLine(end.size, end.bytes)};
  }
  return {"signature trailer", LocateSignatureTrailer(end.size, end.bytes)};
}

std::optional<Sha256Digest> DigestOfFile(const std::string& path, uint64_t size) {
  Sha256 hash;
  if (!hash.AddFile(path, size)) return std::nullopt;
  return hash.Finish();
}

std::string Unsigned(const std::string& path, std::string_view kind) {
  return kind == "signature line" ? path + " carries an information block without a valid " +
                                        "signature line as its last line"
                                  : path + " ends in no signature trailer";
}

}  // namespace

int Fail(const std::string& message, int code) {
  std::cerr << "orvane-stamp: " << message << "\n";
  return code;
}

std::optional<FileEnd> ReadFileEnd(const std::string& path, size_t maxBytes) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return std::nullopt;
  const std::streamoff size = file.tellg();
  if (size < 0) return std::nullopt;
  FileEnd end;
  end.size = static_cast<uint64_t>(size);
  end.bytes.resize(static_cast<size_t>(std::min<uint64_t>(end.size, maxBytes)));
  file.seekg(size - static_cast<std::streamoff>(end.bytes.size()));
  file.read(end.bytes.data(), static_cast<std::streamsize>(end.bytes.size()));
  if (static_cast<size_t>(file.gcount()) != end.bytes.size()) return std::nullopt;
  return end;
}

bool SignatureHolds(const std::string& path, EVP_PKEY& key, std::string& error) {
  const auto end = ReadFileEnd(path, kInfoBlockTailSize);
  if (!end) {
    error = "cannot read " + path;
    return false;
  }
  const FoundSignature found = FindSignature(*end);
  if (!found.range) {
    error = Unsigned(path, found.kind);
    return false;
  }
  const auto digest = DigestOfFile(path, found.range->signedSize);
  if (!digest || !VerifyDigest(key, *digest, found.range->signature)) {
    error = "the " + std::string(found.kind) + " of " + path + " does not hold for the key";
    return false;
  }
  return true;
}

bool AppendChecked(const std::string& path, uint64_t oldSize, std::string_view bytes, EVP_PKEY* key,
                   std::string& error) {
  {
    std::ofstream file(path, std::ios::binary | std::ios::app);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) error = "cannot append to " + path;
  }
  if (error.empty() && key) SignatureHolds(path, *key, error);
  if (error.empty()) return true;
  // Half an append, or a signature that does not hold, must not be
  // published by mistake.
  std::error_code ignored;
  std::filesystem::resize_file(path, oldSize, ignored);
  return false;
}

int MakeKey(const std::string& privateKeyPath) {
  std::string error;
  const Pkey key = GenerateSigningKey(error);
  const auto publicKey = key ? PublicKeyOf(*key, error) : std::nullopt;
  if (!publicKey || !WritePrivateKeyFile(*key, privateKeyPath, error)) return Fail(error);
  std::cout << FormatPublicKey(*publicKey) << "\n";
  return kExitOk;
}

int ShowPublicKey(const std::string& privateKeyPath) {
  std::string error;
  const Pkey key = ReadPrivateKeyFile(privateKeyPath, error);
  const auto publicKey = key ? PublicKeyOf(*key, error) : std::nullopt;
  if (!publicKey) return Fail(error);
  std::cout << FormatPublicKey(*publicKey) << "\n";
  return kExitOk;
}

int SignWithTrailer(const std::string& path, const std::string& privateKeyPath) {
  std::string error;
  const Pkey key = ReadPrivateKeyFile(privateKeyPath, error);
  if (!key) return Fail(error);
  const auto end = ReadFileEnd(path, kInfoBlockTailSize);
  if (!end) return Fail("cannot read " + path);
  // The wizard would look for a package's signature in its block, never
  // in a trailer after it.
  if (LocateInfoBlock(end->size, end->bytes)) {
    return Fail(path + " carries an information block; sign a package with write --sign-key");
  }
  if (LocateSignatureTrailer(end->size, end->bytes)) {
    return Fail(path + " already ends in a signature trailer");
  }
  const auto digest = DigestOfFile(path, end->size);
  if (!digest) return Fail("cannot read " + path);
  const auto signature = SignDigest(*key, *digest, error);
  if (!signature) return Fail(error);
  if (!AppendChecked(path, end->size, FormatSignatureTrailer(*signature), key.get(), error)) {
    return Fail(error);
  }
  std::cout << "signed " << path << ": " << end->size << " bytes signed, "
            << end->size + kSignatureTrailerSize << " bytes in all\n";
  return kExitOk;
}

int Verify(const std::string& path, std::string_view keysText) {
  const auto keys = ParsePublicKeys(keysText);
  if (!keys) return Fail("public keys are 128 hex digits each, separated by commas");
  if (keys->empty()) return Fail("give at least one public key");
  std::vector<Pkey> trusted;
  for (const PublicKeyBytes& bytes : *keys) {
    trusted.push_back(PublicKeyFromBytes(bytes));
    if (!trusted.back()) return Fail(FormatPublicKey(bytes) + " is not a P-256 public key");
  }
  const auto end = ReadFileEnd(path, kInfoBlockTailSize);
  if (!end) return Fail("cannot read " + path);
  const FoundSignature found = FindSignature(*end);
  if (!found.range) {
    std::cout << "not valid: " << Unsigned(path, found.kind) << "\n";
    return kExitNotValid;
  }
  const auto digest = DigestOfFile(path, found.range->signedSize);
  if (!digest) return Fail("cannot read " + path);
  const std::string what = std::string(found.kind) + " of " + path + " over its first " +
                           std::to_string(found.range->signedSize) + " bytes";
  for (size_t i = 0; i < trusted.size(); ++i) {
    if (VerifyDigest(*trusted[i], *digest, found.range->signature)) {
      std::cout << "valid: the " << what << ", key " << i + 1 << " of " << trusted.size() << " ("
                << FormatPublicKey((*keys)[i]) << ")\n";
      return kExitOk;
    }
  }
  std::cout << "not valid: the " << what << " holds for no key given (" << trusted.size() << ")\n";
  return kExitNotValid;
}

}  // namespace orvane::tools
