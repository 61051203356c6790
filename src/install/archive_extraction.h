// Extraction of a package through 7-zip32.dll, with the wizard's status
// line and bar following the library's progress reports.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace orvane {

// Loads the library on first use (a box tells when it cannot be loaded)
// and asks it whether `archive` is one it can extract. Makes ProgramFolder
// the current directory.
bool PrepareArchive(const std::string& archive);

// Extracts every entry of `archive` into `folder`, overwriting files of the
// same name. BusyPhase is 1 while the library works. True when the library
// reports success; a stop through AbortFlag gives false.
bool ExtractArchive(const std::string& archive, const std::string& folder);

// The library's progress callback: state 0 (a file begins) updates the
// status line and bar at most every 300 ms, state 1 (file in progress) the
// bar every time. Answers 0, a stop, once AbortFlag is 1.
int32_t WINAPI ExtractProgress(void* window, uint32_t message, uint32_t state, void* info);

}  // namespace orvane
