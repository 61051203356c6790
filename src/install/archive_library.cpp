#include "install/archive_library.h"

namespace orvane {

HMODULE ArchiveLibraryHandle = nullptr;

void ReleaseArchiveLibrary() {
  if (ArchiveLibraryHandle) {
    FreeLibrary(ArchiveLibraryHandle);
    ArchiveLibraryHandle = nullptr;
  }
}

}  // namespace orvane
