#include "base/text.h"

#include <algorithm>

namespace orvane {

namespace {
char UpperChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Bytes of the character at `at`: 2 for a GBK double-byte character, whose
// trail byte may look like an ASCII letter but is none.
size_t CharWidth(std::string_view text, size_t at) {
  return IsGbkLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

std::string MapSingleByteChars(std::string_view text, char (*map)(char)) {
  std::string out(text);
  for (size_t at = 0; at < out.size();) {
    const size_t width = CharWidth(out, at);
    if (width == 1) out[at] = map(out[at]);
    at += width;
  }
  return out;
}
}  // namespace

std::string ToUpperAscii(std::string_view text) {
  return MapSingleByteChars(text, UpperChar);
}

std::string ToLowerAscii(std::string_view text) {
  return MapSingleByteChars(text, LowerChar);
}

bool EqualsIgnoreCaseAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ToUpperAscii(a) == ToUpperAscii(b);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWithIgnoreCaseAscii(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoreCaseAscii(text.substr(text.size() - suffix.size()), suffix);
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string_view::npos;
       pos = hit + from.size()) {
    out.append(text.substr(pos, hit - pos));
    out.append(to);
  }
  out.append(text.substr(pos));
  return out;
}

std::vector<std::string> SplitAt(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      parts.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

std::string JoinArguments(int argc, const char* const* argv) {
  std::string joined;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) joined += ' ';
    joined += argv[i] ? argv[i] : "";
  }
  return joined;
}

std::string CutToField(std::string_view text, size_t size) {
  if (size == 0) return {};
  const size_t limit = size - 1;
  if (text.size() <= limit) return std::string(text);
  // Walk whole characters so the cut falls between two of them.
  size_t keep = 0;
  while (keep < limit) {
    const size_t width = CharWidth(text, keep);
    if (keep + width > limit) break;
    keep += width;
  }
  return std::string(text.substr(0, keep));
}

}  // namespace orvane
