// Which running programs an install must stop, and what the user is told.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// True when the executable path lies in `folder` or below it, ignoring the
// case of ASCII letters. The folder is taken as ending in "\", so a target
// Foo never matches a program in its neighbour Foo2; an empty folder
// matches nothing.
bool ProcessPathInFolder(std::string_view path, std::string_view folder);

// The warning shown before a program of the target folder is ended.
std::string RunningProgramText(std::string_view title, std::string_view path);

}  // namespace orvane
