// UTF-16 (7z entry names) to UTF-8 (POSIX file names, messages).
#pragma once

#include <string>

namespace orvane::archiver {

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace orvane::archiver
