#include "ansi_text.h"

#include <windows.h>

#include <cstring>

namespace orvane::archiver {

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                              static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      wide.data(), n);
  return wide;
}

std::wstring Utf16ToWide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

std::string WideToAnsi(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  if (n <= 0) return {};
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), n,
                      nullptr, nullptr);
  return ansi;
}

void CopyAnsiTruncated(const std::string& text, char* out, size_t capacity) {
  if (capacity == 0) return;
  size_t end = 0;
  while (end < text.size()) {
    size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[end])) ? 2 : 1;
    if (end + step > text.size() || end + step > capacity - 1) break;
    end += step;
  }
  std::memcpy(out, text.data(), end);
  out[end] = '\0';
}

}  // namespace orvane::archiver
