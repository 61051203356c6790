// The studio writes UTF-8; the wizard reads GBK. Conversion through glibc's
// iconv, refusing what the other side cannot represent.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::tools {

// None when `utf8` is not valid UTF-8 or holds a character GBK lacks.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// None when `gbk` is not valid GBK.
std::optional<std::string> GbkToUtf8(std::string_view gbk);

}  // namespace orvane::tools
