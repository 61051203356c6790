// Byte-string helpers. Texts are GBK byte strings; only single-byte ASCII
// letters change case (the trail byte of a double-byte character may fall
// in A-Z and stays as it is) and only ASCII blanks are trimmed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

std::string ToUpperAscii(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWithIgnoreCaseAscii(std::string_view text, std::string_view suffix);

// Leading and trailing blanks (space, tab) removed.
std::string_view TrimBlanks(std::string_view text);

// Every occurrence of `from` replaced by `to` (left to right, no overlap).
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// Splits at every separator; n separators always give n + 1 parts.
std::vector<std::string> SplitAt(std::string_view text, char separator);

// The program's arguments (without the program path) joined by one blank.
std::string JoinArguments(int argc, const char* const* argv);

// Cuts a value to a fixed text field of `size` bytes: at most size - 1
// bytes are kept. A GBK double-byte character that the cut would split is
// dropped whole, so the field never ends in half a character.
std::string CutToField(std::string_view text, size_t size);

// True for the lead byte of a GBK double-byte character.
constexpr bool IsGbkLeadByte(unsigned char c) {
  return c >= 0x81 && c <= 0xFE;
}

}  // namespace orvane
