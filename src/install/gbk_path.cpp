#include "install/gbk_path.h"

#include "base/text.h"

namespace orvane {
namespace {

// Bytes taken by the character that starts at `i`.
size_t CharacterWidth(std::string_view text, size_t i) {
  return IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

}  // namespace

bool EndsWithBackslash(std::string_view text) {
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i += CharacterWidth(text, i)) last = i;
  return last != std::string_view::npos && last + 1 == text.size() && text[last] == '\\';
}

std::string WithTrailingBackslash(std::string_view text) {
  std::string result(text);
  if (!EndsWithBackslash(text)) result += '\\';
  return result;
}

std::vector<std::string> SplitAtBackslash(std::string_view text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t width = CharacterWidth(text, i);
    if (width == 1 && text[i] == '\\') {
      parts.emplace_back(text.substr(start, i - start));
      start = i + 1;
    }
    i += width;
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

std::string UpperAsciiOutsideDoubleBytes(std::string_view text) {
  std::string result(text);
  for (size_t i = 0; i < result.size();) {
    const size_t width = CharacterWidth(result, i);
    if (width == 1 && result[i] >= 'a' && result[i] <= 'z')
      result[i] = static_cast<char>(result[i] - 'a' + 'A');
    i += width;
  }
  return result;
}

size_t WholeCharacterPrefix(std::string_view text, size_t limit) {
  size_t keep = 0;
  while (keep < text.size()) {
    const size_t width = CharacterWidth(text, keep);
    if (keep + width > limit) break;
    keep += width;
  }
  return keep;
}

}  // namespace orvane
