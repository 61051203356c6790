// The signature check with Windows' own CNG, against signatures CNG makes
// with keys made for each run (the studio's tool, which signs with OpenSSL,
// meets the wizard in the end-to-end tests).
#include "package/signature_check.h"

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <fstream>
#include <memory>
#include <string>

#include "package/download_digest.h"
#include "package/info_block.h"
#include "package/load_package.h"
#include "package/package_info.h"
#include "package/signature_format.h"
#include "startup/process_values.h"

namespace orvane {
namespace {

struct KeyCloser {
  void operator()(BCRYPT_KEY_HANDLE h) const { BCryptDestroyKey(h); }
};

// A P-256 key pair that signs as the studio's tool does.
class SigningKey {
 public:
  SigningKey() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
    BCRYPT_KEY_HANDLE key = nullptr;
    BCryptGenerateKeyPair(algorithm, &key, 256, 0);
    BCryptFinalizeKeyPair(key, 0);
    key_.reset(key);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    UCHAR blob[sizeof(BCRYPT_ECCKEY_BLOB) + kPublicKeySize];
    ULONG size = 0;
    BCryptExportKey(key, nullptr, BCRYPT_ECCPUBLIC_BLOB, blob, sizeof blob, &size, 0);
    PublicKeyBytes point{};
    std::copy_n(blob + sizeof(BCRYPT_ECCKEY_BLOB), point.size(), point.begin());
    publicKey_ = FormatPublicKey(point);
  }
  const std::string& PublicKey() const { return publicKey_; }

  SignatureBytes Sign(const std::string& bytes) const {
    const Sha256Digest digest = Digest(bytes);
    SignatureBytes signature{};
    ULONG size = 0;
    BCryptSignHash(key_.get(), nullptr, const_cast<PUCHAR>(digest.data()), digest.size(),
                   signature.data(), static_cast<ULONG>(signature.size()), &size, 0);
    return signature;
  }

  static Sha256Digest Digest(const std::string& bytes) {
    Sha256Digest digest{};
    BCRYPT_ALG_HANDLE sha256 = nullptr;
    BCryptOpenAlgorithmProvider(&sha256, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
    BCRYPT_HASH_HANDLE hash = nullptr;
    BCryptCreateHash(sha256, &hash, nullptr, 0, nullptr, 0, 0);
    BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                   static_cast<ULONG>(bytes.size()), 0);
    BCryptFinishHash(hash, digest.data(), digest.size(), 0);
    BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(sha256, 0);
    return digest;
  }

 private:
  std::unique_ptr<void, KeyCloser> key_;
  std::string publicKey_;
};

const std::string kBlock = std::string(kInfoBlockMarker) +
                           "\r\nID=123\r\n名称=签名软件\r\n版本号=1.0\r\n日期=2026-12-11\r\n";

std::string Package() {
  return std::string(300000, 'p') + kBlock;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class SignatureCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "orvane-signature-" + std::to_string(GetCurrentProcessId()) + ".7z";
    TrustedPackageKeys = studioKeys_;
  }
  void TearDown() override {
    ReleaseSignedFile(path_);
    DeleteFileA(path_.c_str());
    TrustedPackageKeys = {};
  }

  std::string Signed(const std::string& content, SignatureForm form, const SigningKey& key) {
    const SignatureBytes signature = key.Sign(content);
    return content + (form == SignatureForm::kPackageLine ? FormatSignatureLine(signature)
                                                          : FormatSignatureTrailer(signature));
  }

  static inline SigningKey studio_, stranger_;
  std::string studioKeys_ = studio_.PublicKey();
  std::string path_;
};

TEST_F(SignatureCheckTest, OnlyAnUntouchedFileOfATrustedKeyPasses) {
  const std::string package = Signed(Package(), SignatureForm::kPackageLine, studio_);
  const std::string library = Signed("MZ library", SignatureForm::kTrailer, studio_);
  const size_t line = package.size() - kSignatureLineSize;
  struct Case {
    const char* what;
    SignatureForm form;
    std::string bytes;
    bool passes;
  } cases[] = {
      {"package", SignatureForm::kPackageLine, package, true},
      {"library", SignatureForm::kTrailer, library, true},
      {"package read as a trailer", SignatureForm::kTrailer, package, false},
      {"first byte", SignatureForm::kPackageLine, std::string(package).replace(0, 1, "q"), false},
      {"block byte", SignatureForm::kPackageLine, std::string(package).replace(line - 3, 1, "9"),
       false},
      {"signature digit", SignatureForm::kPackageLine,
       std::string(package).replace(line + 10, 1, package[line + 10] == '0' ? "1" : "0"), false},
      {"library byte", SignatureForm::kTrailer, std::string(library).replace(2, 1, "X"), false},
      {"another key", SignatureForm::kTrailer,
       Signed("MZ library", SignatureForm::kTrailer, stranger_), false},
      {"unsigned", SignatureForm::kPackageLine, Package(), false},
      {"truncated trailer", SignatureForm::kTrailer, library.substr(0, library.size() - 1), false},
  };
  for (const Case& c : cases) {
    WriteBytes(path_, c.bytes);
    EXPECT_EQ(CheckFileSignature(path_, c.form), c.passes) << c.what;
    EXPECT_EQ(SignedFileHeld(path_), c.passes) << c.what;
    ReleaseSignedFile(path_);
  }
}

TEST_F(SignatureCheckTest, TheKeysOfTheBuildDecide) {
  WriteBytes(path_, Signed("MZ library", SignatureForm::kTrailer, studio_));
  struct Case {
    std::string keys;
    bool passes;
  } cases[] = {
      {stranger_.PublicKey(), false},
      {" " + stranger_.PublicKey() + " , " + studio_.PublicKey(), true},  // while rotating
      {studio_.PublicKey() + "0", false},  // malformed: trusts nothing
      {",", false},
  };
  for (const Case& c : cases) {
    TrustedPackageKeys = c.keys;
    EXPECT_EQ(CheckFileSignature(path_, SignatureForm::kTrailer), c.passes) << c.keys;
    ReleaseSignedFile(path_);
  }
  // An unsigned build checks nothing and holds nothing.
  TrustedPackageKeys = {};
  WriteBytes(path_, "anything at all");
  EXPECT_TRUE(CheckFileSignature(path_, SignatureForm::kTrailer));
  EXPECT_FALSE(SignedFileHeld(path_));
}

TEST_F(SignatureCheckTest, ACheckedFileCannotChangeUntilLetGo) {
  WriteBytes(path_, Signed(Package(), SignatureForm::kPackageLine, studio_));
  ASSERT_TRUE(CheckFileSignature(path_, SignatureForm::kPackageLine));
  std::ifstream reader(path_, std::ios::binary);
  EXPECT_TRUE(reader.is_open());  // reading goes on
  reader.close();
  EXPECT_EQ(CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFileA(path_.c_str()));
  ReleaseSignedFile(path_);
  EXPECT_TRUE(DeleteFileA(path_.c_str()));
}

// Written in uneven pieces after a false start, as a download that began
// again writes them.
void Stream(DownloadDigest& digest, const std::string& bytes) {
  digest.Started();
  digest.Written("a false start");
  digest.Started();
  for (size_t at = 0; at < bytes.size(); at += 70001) digest.Written(bytes.substr(at, 70001));
}

TEST_F(SignatureCheckTest, ADigestTakenWhileTheFileArrivesStandsForTheFile) {
  const std::string bytes = std::string(3 << 20, 'd') + "end";
  for (const uint64_t size : {bytes.size() - 100, bytes.size()}) {
    DownloadDigest digest;
    Stream(digest, bytes);
    EXPECT_EQ(digest.Total(), bytes.size());
    EXPECT_EQ(digest.DigestOf(size), SigningKey::Digest(bytes.substr(0, size))) << size;
    EXPECT_EQ(digest.DigestOf(size), std::nullopt) << "taken twice";
  }
  DownloadDigest digest;
  Stream(digest, bytes);
  EXPECT_EQ(digest.DigestOf(1000), std::nullopt) << "within what was digested already";

  // The check takes the stream's digest for the file it stands for, and the
  // file's own bytes when the stream ended otherwise.
  const std::string package = Signed(Package(), SignatureForm::kPackageLine, studio_);
  WriteBytes(path_, package);
  for (const std::string& streamed : {package, std::string(package.size(), 'x'), Package()}) {
    DownloadDigest seen;
    Stream(seen, streamed);
    EXPECT_TRUE(CheckFileSignature(path_, SignatureForm::kPackageLine, &seen));
    ReleaseSignedFile(path_);
  }
  WriteBytes(path_, Package() + std::string(kSignatureLineSize, ' '));
  DownloadDigest seen;
  Stream(seen, package);
  EXPECT_FALSE(CheckFileSignature(path_, SignatureForm::kPackageLine, &seen));
}

TEST_F(SignatureCheckTest, ASignedPackageReachesTheWelcomePageAndStaysHeld) {
  WriteBytes(path_, Signed(Package(), SignatureForm::kPackageLine, studio_));
  CommandLine = path_;
  EXPECT_EQ(LoadPackage(), 0);
  EXPECT_EQ(PackageInfo.name, "签名软件");
  EXPECT_EQ(PackageFilePath, path_);
  EXPECT_TRUE(SignedFileHeld(path_));
  PackageInfo = {};
  PackageFilePath.clear();
  CommandLine.clear();
}

}  // namespace
}  // namespace orvane
