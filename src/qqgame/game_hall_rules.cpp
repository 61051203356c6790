#include "qqgame/game_hall_rules.h"

#include <vector>

#include "base/path.h"
#include "base/text.h"

namespace orvane {

bool ContainsAtCharacterStart(std::string_view text, std::string_view needle) {
  if (needle.empty()) return true;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, needle.size()) == needle) return true;
    if (IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
  }
  return false;
}

std::string GameFolderFromRegistry(std::string_view gameDirectory,
                                   std::string_view miniGamesDirectory) {
  if (ContainsAtCharacterStart(gameDirectory, kHallFolderMarker)) {
    return std::string(miniGamesDirectory);
  }
  return std::string(gameDirectory);
}

std::string GameFolderFromProgramPath(std::string_view programPath) {
  return SplitFolderAndFile(programPath).folder;
}

std::optional<std::string> GameSubFolder(std::string_view destRootFolder) {
  // Split at single-byte separators only, walking whole characters.
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < destRootFolder.size(); ++i) {
    const char c = destRootFolder[i];
    if (IsGbkLeadByte(static_cast<unsigned char>(c)) && i + 1 < destRootFolder.size()) {
      parts.back() += destRootFolder.substr(i, 2);
      ++i;
      continue;
    }
    if (c == ':') return std::nullopt;
    if (c == '\\' || c == '/') {
      parts.emplace_back();
      continue;
    }
    parts.back() += c;
  }
  std::string folder;
  for (const std::string& part : parts) {
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    if (!folder.empty()) folder += '\\';
    folder += part;
  }
  if (folder.empty()) return std::nullopt;
  return folder;
}

std::string GameFolderWithSeparator(std::string_view gameFolder) {
  std::string destination(gameFolder);
  const SplitPath split = SplitFolderAndFile(destination);
  // Ends in "\" exactly when nothing follows the last separator and that
  // separator is a "\".
  if (!(split.file.empty() && !split.folder.empty() && split.folder.back() == '\\')) {
    destination += '\\';
  }
  return destination;
}

std::string GameDestination(std::string_view gameFolder, std::string_view subFolder) {
  std::string destination = GameFolderWithSeparator(gameFolder);
  destination += subFolder;
  destination += '\\';
  return destination;
}

std::string InstallSubheading(std::string_view productName) {
  return "安装 " + std::string(productName) + " 中";
}

}  // namespace orvane
