// The archiver library 7-zip32.dll, loaded from the program's folder on
// first use and kept until the wizard is destroyed.
#pragma once

#include <windows.h>

namespace orvane {

extern HMODULE ArchiveLibraryHandle;

// Frees the library when it is loaded.
void ReleaseArchiveLibrary();

}  // namespace orvane
