// The full path of a process's executable, as far as this process can
// read it.
#pragma once

#include <windows.h>

#include <string>

namespace orvane {

// The main module's path through GetModuleFileNameExW, in the ANSI code
// page; empty when the process cannot be opened or read. A 32-bit wizard
// cannot read 64-bit processes this way: the lookup through ntdll's WOW64
// queries belongs here when it is added, so every caller gains from it.
std::string ProcessImagePath(DWORD processId);

}  // namespace orvane
