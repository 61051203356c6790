// Reading numbers out of texts the way the studio's formats expect: leading
// blanks skipped, the longest numeric prefix taken, 0 when there is none.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// The value of the longest prefix of the form [blanks][+|-]digits[.digits]
// [e[+|-]digits] ("12abc" is 12, " 3.5x" is 3.5, "x" and "" are 0).
double ReadNumber(std::string_view text);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Values beyond the 64-bit range are clamped.
int64_t RoundHalfEven(double value);

// ReadNumber then RoundHalfEven, clamped to the 32-bit range.
int32_t ReadRoundedInt(std::string_view text);

// Hexadecimal value of a digit (either case), or -1.
int HexDigitValue(char c);

}  // namespace orvane
