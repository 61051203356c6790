// Checking the studio's signature of a file before the wizard extracts or
// loads it, with Windows' own cryptography (CNG).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "package/download_digest.h"

namespace orvane {

// The studio's public keys this wizard trusts, as the build gives them
// (hex keys separated by ","). Empty: an unsigned build, which checks
// nothing. A malformed text trusts nothing.
extern std::string_view TrustedPackageKeys;

enum class SignatureForm {
  kPackageLine,  // the last line of a package's information block
  kTrailer,      // appended to any other file
};

bool SignedBuild();

// True in an unsigned build, or when `path` carries a valid signature of
// one of the trusted keys. A file that passes stays open against writing
// and deletion (see ReleaseSignedFile), so what was checked is what the
// wizard goes on to read. `streamed`, when given, digested the file while
// it was fetched and spares reading it again.
bool CheckFileSignature(const std::string& path, SignatureForm form,
                        DownloadDigest* streamed = nullptr);

// A digest for a download of a signed build, made in `slot`; null in an
// unsigned build, which digests nothing.
DownloadDigest* DigestIfSigned(std::optional<DownloadDigest>& slot);

// True when `path` passed CheckFileSignature and is still held.
bool SignedFileHeld(const std::string& path);

// Lets the file go, e.g. before a fresh download replaces it.
void ReleaseSignedFile(const std::string& path);

// The box for a file that failed its check, owned by the wizard.
void ShowSignatureFailureBox(const std::string& fileName);

}  // namespace orvane
