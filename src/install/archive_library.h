// The archiver library 7-zip32.dll, loaded from the program's folder on
// first use and kept until the wizard is destroyed.
#pragma once

#include <windows.h>

namespace orvane {

extern HMODULE ArchiveLibraryHandle;

// The library's functions, looked up right after the load (defined in
// archive_library_entries.h for the code that calls them).
struct ArchiveLibraryEntries;

// Loads ProgramFolder + "7-zip32.dll" unless it is loaded already. A file
// that lacks one of the functions the wizard calls counts as not loaded:
// it is released at once. True when the library is ready.
bool LoadArchiveLibrary();

// The functions of the loaded library; only valid while it is loaded.
const ArchiveLibraryEntries& ArchiveLibraryFunctions();

// Frees the library when it is loaded.
void ReleaseArchiveLibrary();

}  // namespace orvane
