// The check of the target folder typed by the user before an install.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

enum class TargetFolderVerdict {
  Accepted,   // `folder` is the target, ending in "\"
  DriveOnly,  // a drive alone: `folder` is the default folder on that drive
  Malformed,  // not a "X:\..." path
};

struct TargetFolderCheck {
  TargetFolderVerdict verdict = TargetFolderVerdict::Malformed;
  // Accepted: the folder to use and to show; DriveOnly: the folder to put
  // into the edit box (no trailing "\"); Malformed: empty.
  std::string folder;
};

// `typed` is the edit box text; surrounding blanks do not count. A short
// text (under 4 bytes) with ":" second is a drive alone, any other short
// text is malformed; a longer one must have ":\" as its second and third
// characters (so network paths and "C:/x" are malformed).
TargetFolderCheck CheckTargetFolder(std::string_view typed, std::string_view productName);

// True when `path` is `folder` itself or lies below it. Both are full
// paths in one spelling (no "." or ".." parts); a trailing "\" on either
// does not count, letters compare in any case and double-byte characters
// byte for byte.
bool IsSameOrInsideFolder(std::string_view path, std::string_view folder);

}  // namespace orvane
