// Where the studio's signature sits in the files the wizard runs or loads.
//
// A package carries it as the last line of its information block:
//   "SIG=" + 128 hexadecimal digits (r then s, 32 bytes each, big-endian)
//   + CR LF, the very last bytes of the file.
// Wizards that predate signing read only the six key lines after the
// marker and ignore this one.
//
// Any other file (the archiver library, game packages) carries a trailer at
// its very end, which the Windows loader and the 7z reader both ignore:
//   64 bytes of signature (r then s) + the 16 ASCII bytes "OrvaneSignature1".
//
// Either way the signature is ECDSA P-256 over the SHA-256 of every byte
// of the file before the line or the trailer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

inline constexpr size_t kSignatureSize = 64;
using SignatureBytes = std::array<uint8_t, kSignatureSize>;

// A public key: the curve point's X then Y, 32 bytes each, big-endian.
inline constexpr size_t kPublicKeySize = 64;
using PublicKeyBytes = std::array<uint8_t, kPublicKeySize>;

inline constexpr std::string_view kSignatureLineKey = "SIG=";
// "SIG=" + 128 hex digits + CR LF.
inline constexpr size_t kSignatureLineSize = 4 + 2 * kSignatureSize + 2;

inline constexpr std::string_view kSignatureTrailerMagic = "OrvaneSignature1";
inline constexpr size_t kSignatureTrailerSize = kSignatureSize + 16;

// The signature of a file and how many of its leading bytes it covers.
struct SignedRange {
  uint64_t signedSize = 0;
  SignatureBytes signature{};
};

// The signature line of a package of `fileSize` bytes whose last bytes are
// `tail` (the same tail the information block is read from). None unless
// the block is found as the wizard finds it, its last line is a well-formed
// signature line ending the file, and no other line of the block starts
// with the key.
std::optional<SignedRange> LocateSignatureLine(uint64_t fileSize, std::string_view tail);

// The trailer of a file of `fileSize` bytes whose last bytes are `tail`
// (at least kSignatureTrailerSize of them when the file is that long).
std::optional<SignedRange> LocateSignatureTrailer(uint64_t fileSize, std::string_view tail);

// The bytes a signer appends.
std::string FormatSignatureLine(const SignatureBytes& signature);
std::string FormatSignatureTrailer(const SignatureBytes& signature);

// A key as the build constant and the stamping tool write it: 128
// hexadecimal digits.
std::string FormatPublicKey(const PublicKeyBytes& key);

// The build's trusted keys: hex keys separated by ",", blanks around them
// allowed (several while a key is being rotated). An empty text is an
// unsigned build (an empty list); a malformed one is None, and a build
// holding it must trust nothing.
std::optional<std::vector<PublicKeyBytes>> ParsePublicKeys(std::string_view text);

}  // namespace orvane
