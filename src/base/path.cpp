#include "base/path.h"

#include "base/text.h"

namespace orvane {

SplitPath SplitFolderAndFile(std::string_view path) {
  // Scan whole GBK characters: a trail byte may be 0x5C, the same as "\".
  size_t cut = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (IsGbkLeadByte(c) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (c == ':' || c == '/' || c == '\\') cut = i;
  }
  if (cut == std::string_view::npos) return {std::string(), std::string(path)};
  return {std::string(path.substr(0, cut + 1)), std::string(path.substr(cut + 1))};
}

}  // namespace orvane
