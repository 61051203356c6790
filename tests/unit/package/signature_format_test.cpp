#include "package/signature_format.h"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "package/info_block.h"

namespace orvane {
namespace {

SignatureBytes SomeSignature() {
  SignatureBytes signature;
  for (size_t i = 0; i < signature.size(); ++i) signature[i] = static_cast<uint8_t>(i * 37 + 5);
  return signature;
}

const std::string kLine = FormatSignatureLine(SomeSignature());
const std::string kMarkerLine = std::string(kInfoBlockMarker) + "\r\n";

struct LineCase {
  const char* what;
  std::string block;  // from the marker to the end of the file
  bool accepted;
};

TEST(LocateSignatureLine, OnlyAWellFormedLastLineOfItsOwnCounts) {
  const std::string hex = kLine.substr(4, 128);
  const LineCase cases[] = {
      {"last line", kMarkerLine + "ID=1\r\n名称=x\r\n" + kLine, true},
      {"the only line", kMarkerLine + kLine, true},
      {"upper-case digits", kMarkerLine + "ID=1\r\nSIG=" + std::string(128, 'A') + "\r\n", true},
      {"first of two lines", kMarkerLine + kLine + "ID=1\r\n", false},
      {"between lines", kMarkerLine + "ID=1\r\n" + kLine + "名称=x\r\n", false},
      {"no signature line", kMarkerLine + "ID=1\r\n名称=x\r\n", false},
      {"a bad digit", kMarkerLine + "ID=1\r\nSIG=" + hex.substr(0, 127) + "g\r\n", false},
      {"127 digits", kMarkerLine + "SIG=" + hex.substr(0, 127) + "\r\n", false},
      {"130 digits", kMarkerLine + "SIG=" + hex + "00\r\n", false},
      {"two signature lines", kMarkerLine + kLine + "ID=1\r\n" + kLine, false},
      {"two in a row", kMarkerLine + kLine + kLine, false},
      {"no line end", kMarkerLine + kLine.substr(0, kLine.size() - 2), false},
      {"LF only", kMarkerLine + kLine.substr(0, kLine.size() - 2) + "\n", false},
      {"a byte after it", kMarkerLine + kLine + " ", false},
      {"lower-case key", kMarkerLine + "sig=" + hex + "\r\n", false},
      {"on the marker line", std::string(kInfoBlockMarker) + kLine, false},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = std::string(3000, 'p') + c.block;
    const std::string_view tail = std::string_view(file).substr(file.size() - kInfoBlockTailSize);
    const auto range = LocateSignatureLine(file.size(), tail);
    ASSERT_EQ(range.has_value(), c.accepted);
    if (!range) continue;
    EXPECT_EQ(range->signedSize, file.size() - kSignatureLineSize);
    // The digits read are the digits written, whatever their case.
    std::string digits = file.substr(range->signedSize + kSignatureLineKey.size());
    for (char& ch : digits) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(FormatSignatureLine(range->signature).substr(kSignatureLineKey.size()), digits);
  }
}

TEST(LocateSignatureLine, NeedsTheBlockWhereTheWizardFindsIt) {
  const std::string block = kMarkerLine + "ID=1\r\n" + kLine;
  // Files of 2500 bytes or fewer carry no block.
  EXPECT_FALSE(LocateSignatureLine(kMinPackageFileSize, block));
  EXPECT_TRUE(LocateSignatureLine(kMinPackageFileSize + 1, block));
  // A marker 2001 bytes from the end is out of the wizard's sight.
  const std::string far = block + std::string(kInfoBlockTailSize + 1 - block.size(), 'x');
  EXPECT_FALSE(LocateSignatureLine(5000, far));
}

TEST(LocateSignatureTrailer, MagicAtTheVeryEnd) {
  const std::string trailer = FormatSignatureTrailer(SomeSignature());
  ASSERT_EQ(trailer.size(), kSignatureTrailerSize);
  const std::string file = std::string(100, 'd') + trailer;
  const auto range = LocateSignatureTrailer(file.size(), file);
  ASSERT_TRUE(range);
  EXPECT_EQ(range->signedSize, 100u);
  EXPECT_EQ(range->signature, SomeSignature());
  // Just the trailer: nothing before it signed.
  EXPECT_EQ(LocateSignatureTrailer(trailer.size(), trailer)->signedSize, 0u);

  std::string wrongMagic = file;
  wrongMagic.back() = '2';
  const struct {
    const char* what;
    uint64_t fileSize;
    std::string tail;
  } refused[] = {
      {"truncated", file.size() - 1, file.substr(0, file.size() - 1)},
      {"a byte after it", file.size() + 1, file + "\n"},
      {"wrong magic", wrongMagic.size(), wrongMagic},
      {"file shorter than a trailer", kSignatureTrailerSize - 1, trailer.substr(1)},
      {"tail shorter than a trailer", 5000, trailer.substr(1)},
      {"tail longer than the file", 50, file},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(LocateSignatureTrailer(c.fileSize, c.tail));
  }
}

TEST(SignatureFormat, LineIsLowerCaseHexOfRThenS) {
  SignatureBytes signature{};
  signature[0] = 0xAB;
  signature[63] = 0x0F;
  const std::string line = FormatSignatureLine(signature);
  ASSERT_EQ(line.size(), kSignatureLineSize);
  EXPECT_EQ(line, "SIG=ab" + std::string(124, '0') + "0f\r\n");
}

TEST(ParsePublicKeys, CommaSeparatedHexKeys) {
  PublicKeyBytes first, second;
  for (size_t i = 0; i < first.size(); ++i) {
    first[i] = static_cast<uint8_t>(i);
    second[i] = static_cast<uint8_t>(255 - i);
  }
  const std::string a = FormatPublicKey(first), b = FormatPublicKey(second);
  ASSERT_EQ(a.size(), 2 * kPublicKeySize);
  const struct {
    std::string text;
    std::optional<std::vector<PublicKeyBytes>> keys;
  } cases[] = {
      {"", std::vector<PublicKeyBytes>{}},
      {" \t ", std::vector<PublicKeyBytes>{}},
      {a, std::vector{first}},
      {" " + a + " ,\t" + b + " ", std::vector{first, second}},
      {a + ",", std::nullopt},
      {a + ",," + b, std::nullopt},
      {"," + a, std::nullopt},
      {a + ";" + b, std::nullopt},
      {a.substr(1), std::nullopt},
      {a + "0", std::nullopt},
      {a.substr(0, 127) + "x", std::nullopt},
      {a.substr(0, 64) + " " + a.substr(64), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParsePublicKeys(c.text), c.keys);
  }
}

}  // namespace
}  // namespace orvane
