#include "package/signature_format.h"

#include "base/number.h"
#include "base/text.h"
#include "package/info_block.h"

namespace orvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr char kHexDigits[] = "0123456789abcdef";

// Exactly 2 * out.size() hex digits into `out`.
template <size_t N>
bool ReadHex(std::string_view text, std::array<uint8_t, N>& out) {
  if (text.size() != 2 * N) return false;
  for (size_t i = 0; i < N; ++i) {
    const int high = HexDigitValue(text[2 * i]);
    const int low = HexDigitValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

template <size_t N>
std::string WriteHex(const std::array<uint8_t, N>& bytes) {
  std::string text;
  text.reserve(2 * N);
  for (uint8_t b : bytes) {
    text += kHexDigits[b >> 4];
    text += kHexDigits[b & 15];
  }
  return text;
}

}  // namespace

std::optional<SignedRange> LocateSignatureLine(uint64_t fileSize, std::string_view tail) {
  const auto block = LocateInfoBlock(fileSize, tail);
  if (!block || !block->ends_with(kLineEnd)) return std::nullopt;
  const std::string_view body = block->substr(0, block->size() - kLineEnd.size());
  // The line must be a line of its own after the marker line.
  const size_t lastBreak = body.rfind(kLineEnd);
  if (lastBreak == body.npos) return std::nullopt;
  const std::string_view line = body.substr(lastBreak + kLineEnd.size());
  SignedRange range;
  if (!StartsWith(line, kSignatureLineKey) ||
      !ReadHex(line.substr(kSignatureLineKey.size()), range.signature)) {
    return std::nullopt;
  }
  // A second signature line would leave two readings of the block.
  const std::string_view earlier = body.substr(0, lastBreak + kLineEnd.size());
  if (earlier.find(std::string(kLineEnd) + std::string(kSignatureLineKey)) != earlier.npos) {
    return std::nullopt;
  }
  range.signedSize = fileSize - kSignatureLineSize;
  return range;
}

std::optional<SignedRange> LocateSignatureTrailer(uint64_t fileSize, std::string_view tail) {
  if (fileSize < kSignatureTrailerSize || tail.size() < kSignatureTrailerSize ||
      tail.size() > fileSize) {
    return std::nullopt;
  }
  const std::string_view trailer = tail.substr(tail.size() - kSignatureTrailerSize);
  if (trailer.substr(kSignatureSize) != kSignatureTrailerMagic) return std::nullopt;
  SignedRange range;
  for (size_t i = 0; i < kSignatureSize; ++i) range.signature[i] = static_cast<uint8_t>(trailer[i]);
  range.signedSize = fileSize - kSignatureTrailerSize;
  return range;
}

std::string FormatSignatureLine(const SignatureBytes& signature) {
  return std::string(kSignatureLineKey) + WriteHex(signature) + std::string(kLineEnd);
}

std::string FormatSignatureTrailer(const SignatureBytes& signature) {
  std::string trailer(signature.begin(), signature.end());
  trailer += kSignatureTrailerMagic;
  return trailer;
}

std::string FormatPublicKey(const PublicKeyBytes& key) {
  return WriteHex(key);
}

std::optional<std::vector<PublicKeyBytes>> ParsePublicKeys(std::string_view text) {
  std::vector<PublicKeyBytes> keys;
  if (TrimBlanks(text).empty()) return keys;
  for (const std::string& part : SplitAt(text, ',')) {
    PublicKeyBytes key;
    if (!ReadHex(TrimBlanks(part), key)) return std::nullopt;
    keys.push_back(key);
  }
  return keys;
}

}  // namespace orvane
