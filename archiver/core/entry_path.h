// Which entry names may be written: only relative paths that stay inside
// the output folder on both Windows and POSIX.
#pragma once

#include <string>
#include <vector>

namespace orvane::archiver {

// The folder components of a safe entry name ("/" and "\" both separate).
// Throws kUnsafePath for an absolute name, a drive letter, a ".." (or any
// component of only dots and spaces, which Windows trims to one), a ":"
// (alternate data streams), a NUL, a control character, or a Windows
// device name such as "CON" or "COM1".
std::vector<std::u16string> SafePathComponents(const std::u16string& name);

}  // namespace orvane::archiver
