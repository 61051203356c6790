// The studio's scrambled hexadecimal text: the update feed's payload and the
// parameter lists of special-edition games travel in this form.
//
// Layout: two hexadecimal digits m, then m - 1 key digits, then the data
// digits; each data digit is XORed with the key digit at the same place of
// the repeating key. The data digits, read in pairs, are the text's bytes.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Shortest scrambled text the descrambler reads; shorter ones give "".
inline constexpr size_t kMinScrambledLength = 10;

// Descrambles; positions outside the text and non-hexadecimal characters
// count as digit 0. Empty for texts shorter than kMinScrambledLength or
// whose data would start beyond their end.
std::string DecodeHexText(std::string_view scrambled);

// Longest key the two leading digits can announce (m = 0xFF).
inline constexpr size_t kMaxKeyDigits = 254;

struct ScrambleResult {
  std::string text;   // the scrambled text, upper-case digits
  std::string error;  // empty on success
};

// The exact inverse of DecodeHexText for a key of 1..kMaxKeyDigits
// hexadecimal digits (either case). Refuses keys the layout cannot
// announce, and a non-empty text whose scrambled form would be too short
// to be read back (a longer key makes it long enough).
ScrambleResult ScrambleHexText(std::string_view plain, std::string_view keyDigits);

}  // namespace orvane
