// Programs running from the target folder: found, named to the user and
// ended before an install; and the small process queries other steps use.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orvane {

struct ProcessEntry {
  std::string path;  // full executable path, or the bare name (see ListProcesses)
  DWORD id = 0;
};

// Every process of the snapshot in its order. With `bareNames` the names
// are the snapshot's executable names; otherwise the full path of each
// process where it can be read (ProcessImagePath, which also reaches
// 64-bit processes from the 32-bit wizard), else the bare name (which,
// having no folder, never matches a folder). Empty when no snapshot can be
// taken.
std::vector<ProcessEntry> ListProcesses(bool bareNames);

// The snapshot's executable name (no folder) of the process; empty when it
// is not found.
std::string ProcessExeName(DWORD processId);

// The process that owns the window.
DWORD WindowProcessId(HWND window);

// Ends the process with exit code 0; false when it cannot be opened or
// ended.
bool TerminateProcessById(DWORD processId);

// Disables Next, Cancel, Back and Browse (for the caller to enable again),
// then names each program running from `folder` or below in a box and ends
// it after the OK; this process is never ended. After a stop the page
// becomes Installing and the bar fills over about five seconds.
void StopProgramsInFolder(const std::string& folder);

}  // namespace orvane
