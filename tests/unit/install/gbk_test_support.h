// Checks shared by the install engine's text tests.
#pragma once

#include <string>
#include <string_view>

#include "base/text.h"

namespace orvane::install_test {

// True when the bytes form whole GBK characters only (no lead byte left
// without its trail at the end).
inline bool IsWholeGbk(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsGbkLeadByte(static_cast<unsigned char>(text[i]))) {
      if (i + 1 >= text.size()) return false;
      ++i;
    }
  }
  return true;
}

}  // namespace orvane::install_test
