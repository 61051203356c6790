#include "install/display_text.h"

#include "base/path.h"
#include "install/gbk_path.h"

namespace orvane {

std::string FitText(std::string_view text, int width) {
  if (width >= 0 && text.size() <= static_cast<size_t>(width)) return std::string(text);
  if (width < 4) return std::string(static_cast<size_t>(width > 0 ? width : 0), '.');
  const auto w = static_cast<size_t>(width);
  // The high bytes before the cut tell whether the byte at position w - 3
  // starts a double-byte character (odd count) or ends one (even count).
  size_t highBytes = 0;
  if (static_cast<unsigned char>(text[w - 4]) > 126) {
    for (size_t i = 0; i + 3 < w; ++i) {
      if (static_cast<unsigned char>(text[i]) > 126) ++highBytes;
    }
  }
  size_t keep = highBytes % 2 == 1 ? w - 1 : w - 2;
  // The count misjudges trail bytes below 0x80; walking the characters
  // makes sure the kept part ends on a character boundary.
  keep = WholeCharacterPrefix(text, keep);
  return std::string(text.substr(0, keep)) + std::string(w - keep, '.');
}

std::string ShortenPathForDisplay(std::string_view path, int width) {
  if (width < 0 || path.size() <= static_cast<size_t>(width)) return std::string(path);
  const SplitPath parts = SplitFolderAndFile(path);
  const int folderWidth = width - static_cast<int>(parts.file.size());
  return FitText(parts.folder, folderWidth) + parts.file;
}

}  // namespace orvane
