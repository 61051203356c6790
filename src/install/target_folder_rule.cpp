#include "install/target_folder_rule.h"

#include "base/text.h"
#include "install/gbk_path.h"

namespace orvane {

TargetFolderCheck CheckTargetFolder(std::string_view typed, std::string_view productName) {
  const std::string_view text = TrimBlanks(typed);
  if (text.size() < 4) {
    if (text.size() >= 2 && text[1] == ':') {
      std::string folder(text.substr(0, 2));
      folder += "\\Orvane软件\\";
      folder += productName;
      return {TargetFolderVerdict::DriveOnly, folder};
    }
    return {TargetFolderVerdict::Malformed, {}};
  }
  if (text[1] != ':' || text[2] != '\\') return {TargetFolderVerdict::Malformed, {}};
  return {TargetFolderVerdict::Accepted, WithTrailingBackslash(text)};
}

bool IsSameOrInsideFolder(std::string_view path, std::string_view folder) {
  if (folder.empty()) return false;
  const std::string inner = WithTrailingBackslash(path);
  const std::string outer = WithTrailingBackslash(folder);
  // A name ending in half a character would pair with the added "\".
  if (!EndsWithBackslash(outer)) return false;
  // `outer` ends in a real separator, so a match of the whole of it ends on
  // a character boundary of `inner` as well.
  return inner.size() >= outer.size() &&
         UpperAsciiOutsideDoubleBytes(inner.substr(0, outer.size())) ==
             UpperAsciiOutsideDoubleBytes(outer);
}

}  // namespace orvane
