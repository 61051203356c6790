// The decisions of the folder copy that need no file system: which files
// may fail silently, the levels of a folder to create, and the messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// Outcome of copying one file, shared by the copy of a file and of a tree.
enum CopyResult : int { kCopyStop = 0, kCopyNext = 1, kCopyRetry = 2 };

// The archiver library and the updater may be in use by the installer
// itself: when they cannot be replaced they are left as they are.
bool IsSilentlySkippedFile(std::string_view destination);

// The folders to create for `path`, outermost first: the drive part is
// never created, a trailing "\" is dropped and empty parts (doubled
// separators) are skipped.
std::vector<std::string> FolderTreeLevels(std::string_view path);

// The question shown when a file cannot be copied or its source cannot be
// removed; `systemText` is the system's own text for the error.
std::string CopyFailureText(std::string_view source, std::string_view destination,
                            std::string_view systemText);

// The message shown when a sub-folder of the target cannot be created.
std::string FolderCreationFailureText(std::string_view destination);

}  // namespace orvane
