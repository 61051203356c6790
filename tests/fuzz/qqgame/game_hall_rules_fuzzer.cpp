// The game hall's texts from outside (registry values, the running hall's
// program path, the package's DestRootFolder): the folders made from them
// never leave the hall's folder and always end where the install expects.
// The input is split at its first two NUL bytes into three texts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "qqgame/game_hall_rules.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The text cut into whole GBK characters.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t width =
        orvane::IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    characters.push_back(text.substr(i, width));
    i += width - 1;
  }
  return characters;
}

bool IsSeparator(std::string_view character) {
  return character == "\\" || character == "/" || character == ":";
}

void CheckSubFolder(std::string_view value) {
  const auto folder = orvane::GameSubFolder(value);
  if (!folder) return;
  // Parts joined by single "\": none empty, none "." or "..", no drive.
  Check(!folder->empty());
  std::string part;
  std::vector<std::string> parts;
  for (std::string_view c : Characters(*folder)) {
    Check(c != "/" && c != ":");
    if (c == "\\") {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  for (const std::string& p : parts) Check(!p.empty() && p != "." && p != "..");
  // Already a clean sub-folder: taken as it is.
  Check(orvane::GameSubFolder(*folder) == folder);
}

// A lead byte with nothing after it: no text converted from a path ends so.
bool EndsInLoneLeadByte(std::string_view text) {
  const auto characters = Characters(text);
  return !characters.empty() && characters.back().size() == 1 &&
         orvane::IsGbkLeadByte(static_cast<unsigned char>(characters.back()[0]));
}

void CheckDestination(std::string_view gameFolder, std::string_view value) {
  if (EndsInLoneLeadByte(gameFolder)) return;
  const std::string withSeparator = orvane::GameFolderWithSeparator(gameFolder);
  Check(withSeparator.size() >= gameFolder.size());
  Check(std::string_view(withSeparator).substr(0, gameFolder.size()) == gameFolder);
  Check(!withSeparator.empty() && Characters(withSeparator).back() == "\\");
  Check(orvane::GameFolderWithSeparator(withSeparator) == withSeparator);

  const auto folder = orvane::GameSubFolder(value);
  if (!folder) return;
  Check(orvane::GameDestination(gameFolder, *folder) == withSeparator + *folder + "\\");
}

void CheckProgramPath(std::string_view path) {
  const std::string folder = orvane::GameFolderFromProgramPath(path);
  Check(path.substr(0, folder.size()) == folder);
  // The folder ends at a separator, and the file name after it has none.
  const auto rest = Characters(path.substr(folder.size()));
  if (!folder.empty()) Check(IsSeparator(Characters(folder).back()));
  for (std::string_view c : rest) Check(!IsSeparator(c));
}

void CheckRegistry(std::string_view gameDirectory, std::string_view miniGames) {
  const std::string folder = orvane::GameFolderFromRegistry(gameDirectory, miniGames);
  const bool marked = orvane::ContainsAtCharacterStart(gameDirectory, orvane::kHallFolderMarker);
  Check(folder == (marked ? miniGames : gameDirectory));
  // A marker found on character boundaries is a marker in the bytes too.
  if (marked) Check(gameDirectory.find(orvane::kHallFolderMarker) != std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t first = input.find('\0');
  const std::string_view a = input.substr(0, first);
  const std::string_view rest = first == std::string_view::npos ? "" : input.substr(first + 1);
  const size_t second = rest.find('\0');
  const std::string_view b = rest.substr(0, second);
  const std::string_view c = second == std::string_view::npos ? "" : rest.substr(second + 1);

  CheckSubFolder(a);
  CheckDestination(b, a);
  CheckProgramPath(a);
  CheckRegistry(b, c);
  return 0;
}
