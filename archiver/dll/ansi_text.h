// Conversions between the system code page (GBK on the target systems)
// and UTF-16, the form every file name takes inside the library.
#pragma once

#include <string>

namespace orvane::archiver {

// Empty when the bytes are not valid in the code page.
std::wstring AnsiToWide(const std::string& text);
std::wstring Utf16ToWide(const std::u16string& text);
// Characters the code page lacks become "?".
std::string WideToAnsi(const std::wstring& text);
// Copies at most `capacity - 1` bytes and a terminator, never cutting a
// double-byte character in two.
void CopyAnsiTruncated(const std::string& text, char* out, size_t capacity);

}  // namespace orvane::archiver
