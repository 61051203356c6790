// Moving the extracted tree into the target folder file by file, with the
// user asked to abort, retry or ignore when a file cannot be replaced.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace orvane {

// Moves everything below `source` into `destination` (both folders; the
// destination must exist, sub-folders are made as needed). Answers the
// CopyResult of the last entry handled: kCopyNext (also for an empty
// folder), or kCopyStop after the user's Abort or a folder that could not
// be made. A stop through AbortFlag ends the copy after the current file.
// A file named `skippedName` directly in `source` (any case) stays where it
// is.
int CopyFolderTree(HWND owner, const std::string& source, const std::string& destination,
                   std::string_view skippedName = {});

// Moves one file over its destination (clearing attributes that would
// refuse it): renamed when it can be, with the permissions of the
// destination's folder, else copied and the source removed. kCopyNext when done or ignored,
// kCopyRetry when the user asked to try again, kCopyStop on Abort.
int CopyOneFile(HWND owner, const std::string& source, const std::string& destination);

// Creates every missing level of `path`; true when it is a folder
// afterwards.
bool CreateFolderTree(const std::string& path);

}  // namespace orvane
