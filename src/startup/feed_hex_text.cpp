#include "startup/feed_hex_text.h"

#include "base/number.h"

namespace orvane {

namespace {

constexpr char kUpperDigits[] = "0123456789ABCDEF";

// The digit at a 1-based position; 0 outside the text or for a non-digit.
int DigitAt(std::string_view text, size_t position) {
  if (position < 1 || position > text.size()) return 0;
  const int value = HexDigitValue(text[position - 1]);
  return value < 0 ? 0 : value;
}

// The leading two characters as a hexadecimal number; reading stops at the
// first non-digit.
size_t LeadingHexValue(std::string_view text) {
  size_t value = 0;
  for (size_t i = 0; i < 2 && i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0) break;
    value = value * 16 + static_cast<size_t>(digit);
  }
  return value;
}

}  // namespace

std::string DecodeHexText(std::string_view scrambled) {
  const size_t length = scrambled.size();
  if (length < kMinScrambledLength) return {};
  const size_t dataStart = LeadingHexValue(scrambled) + 2;
  if (dataStart > length) return {};

  // For short announcements (m = 0 or 1) the key position runs along with
  // the data position instead of cycling; the same steps cover both.
  std::string digits;
  digits.reserve(length - dataStart + 1);
  size_t keyPosition = 2;
  for (size_t position = dataStart; position <= length; ++position) {
    ++keyPosition;
    if (keyPosition == dataStart) keyPosition = 3;
    digits.push_back(kUpperDigits[DigitAt(scrambled, position) ^ DigitAt(scrambled, keyPosition)]);
  }

  std::string bytes;
  bytes.reserve(digits.size() / 2 + 1);
  for (size_t i = 0; i < digits.size(); i += 2) {
    int value = HexDigitValue(digits[i]);
    if (i + 1 < digits.size()) value = value * 16 + HexDigitValue(digits[i + 1]);
    bytes.push_back(static_cast<char>(value));
  }
  return bytes;
}

ScrambleResult ScrambleHexText(std::string_view plain, std::string_view keyDigits) {
  if (keyDigits.empty() || keyDigits.size() > kMaxKeyDigits) {
    return {{}, "the key must have 1 to " + std::to_string(kMaxKeyDigits) + " digits"};
  }
  for (char c : keyDigits) {
    if (HexDigitValue(c) < 0) return {{}, "the key may hold hexadecimal digits only"};
  }
  const size_t m = keyDigits.size() + 1;
  std::string out;
  out.reserve(2 + keyDigits.size() + plain.size() * 2);
  out.push_back(kUpperDigits[m / 16]);
  out.push_back(kUpperDigits[m % 16]);
  for (char c : keyDigits) out.push_back(kUpperDigits[HexDigitValue(c)]);

  size_t keyIndex = 0;
  auto appendDigit = [&](int digit) {
    out.push_back(kUpperDigits[digit ^ HexDigitValue(keyDigits[keyIndex])]);
    keyIndex = (keyIndex + 1) % keyDigits.size();
  };
  for (char c : plain) {
    const auto byte = static_cast<unsigned char>(c);
    appendDigit(byte >> 4);
    appendDigit(byte & 0x0F);
  }
  if (!plain.empty() && out.size() < kMinScrambledLength) {
    return {{},
            "the scrambled text would be shorter than " + std::to_string(kMinScrambledLength) +
                " digits and read back as nothing; use a longer key"};
  }
  return {out, {}};
}

}  // namespace orvane
