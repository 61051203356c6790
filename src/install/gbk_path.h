// Path pieces of GBK byte strings. A double-byte character may carry 0x5C
// ("\") or an ASCII letter as its second byte, so every scan here walks
// whole characters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// True when the last character of the text is a single-byte "\".
bool EndsWithBackslash(std::string_view text);

// The text with one "\" appended unless it already ends with one.
std::string WithTrailingBackslash(std::string_view text);

// Splits at every single-byte "\"; n separators give n + 1 parts.
std::vector<std::string> SplitAtBackslash(std::string_view text);

// ASCII letters upper-cased, the bytes of double-byte characters untouched.
std::string UpperAsciiOutsideDoubleBytes(std::string_view text);

// Bytes of the longest prefix made of whole characters that is at most
// `limit` bytes long.
size_t WholeCharacterPrefix(std::string_view text, size_t limit);

}  // namespace orvane
