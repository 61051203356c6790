#include "install/archive_library.h"

#include <string>

#include "install/archive_library_entries.h"
#include "package/signature_check.h"
#include "startup/process_values.h"

namespace orvane {

HMODULE ArchiveLibraryHandle = nullptr;

namespace {

ArchiveLibraryEntries Entries;

template <typename Function>
bool LookUp(HMODULE library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return *function != nullptr;
}

}  // namespace

bool LoadArchiveLibrary() {
  if (ArchiveLibraryHandle) return true;
  const std::string path = ProgramFolder + "7-zip32.dll";
  // Whatever fetched it, a library the build cannot vouch for never runs.
  if (!SignedFileHeld(path) && !CheckFileSignature(path, SignatureForm::kTrailer)) return false;
  // Without the critical-error box a broken or foreign file only fails.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE library = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  SetErrorMode(oldMode);
  if (!library) return false;
  ArchiveLibraryEntries found;
  const bool complete = LookUp(library, "SevenZip", &found.sevenZip) &&
                        LookUp(library, "SevenZipCheckArchive", &found.checkArchive) &&
                        LookUp(library, "SevenZipGetBackGroundMode", &found.getBackGroundMode) &&
                        LookUp(library, "SevenZipSetBackGroundMode", &found.setBackGroundMode) &&
                        LookUp(library, "SevenZipSetCursorMode", &found.setCursorMode) &&
                        LookUp(library, "SevenZipSetOwnerWindowEx", &found.setOwnerWindowEx);
  if (!complete) {
    // Never call through a missing entry: such a library is no library.
    FreeLibrary(library);
    return false;
  }
  Entries = found;
  ArchiveLibraryHandle = library;
  return true;
}

const ArchiveLibraryEntries& ArchiveLibraryFunctions() {
  return Entries;
}

void ReleaseArchiveLibrary() {
  if (ArchiveLibraryHandle) {
    FreeLibrary(ArchiveLibraryHandle);
    ArchiveLibraryHandle = nullptr;
    Entries = {};
  }
}

}  // namespace orvane
