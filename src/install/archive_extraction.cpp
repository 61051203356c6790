#include "install/archive_extraction.h"

#include <commctrl.h>

#include <cstring>
#include <type_traits>

#include "install/archive_library.h"
#include "install/archive_library_entries.h"
#include "install/extract_rules.h"
#include "install/install_clock.h"
#include "install/install_messages.h"
#include "install/status_throttle.h"
#include "startup/process_values.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {
namespace {

static_assert(std::is_same_v<decltype(&ExtractProgress), ExtractProgressCallback>,
              "the callback must have the library's calling convention");

uint32_t LastExtractStatusTick = 0;
uint32_t LastBarMoveTick = 0;

void SetBarPosition(int percent) {
  if (IsWindow(ProgressBar)) SendMessageA(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void FollowFileProgress(int percent) {
  if (!IsWindow(ProgressBar)) return;
  const int shown = static_cast<int>(SendMessageA(ProgressBar, PBM_GETPOS, 0, 0));
  if (percent == shown) return;
  // Only a move that may have to wait reads the clock: the status line's
  // throttle shares it.
  if (percent != 100) {
    const uint32_t now = InstallTicks();
    if (!BarMoveDue(percent, shown, now, LastBarMoveTick)) return;
    LastBarMoveTick = now;
  }
  SetBarPosition(percent);
}

}  // namespace

bool PrepareArchive(const std::string& archive) {
  SetCurrentDirectoryA(ProgramFolder.c_str());
  if (!LoadArchiveLibrary()) {
    MessageBoxA(WizardHandle, kLibraryMissingText, kProductName, MB_ICONERROR);
    return false;
  }
  const ArchiveLibraryEntries& library = ArchiveLibraryFunctions();
  if (library.checkArchive(archive.c_str(), 0) == 0) return false;
  if (library.getBackGroundMode() != 0) {
    library.setBackGroundMode(0);
    library.setCursorMode(0);
  }
  return true;
}

bool ExtractArchive(const std::string& archive, const std::string& folder) {
  if (!PrepareArchive(archive)) return false;
  const ArchiveLibraryEntries& library = ArchiveLibraryFunctions();
  library.setOwnerWindowEx(WizardHandle, &ExtractProgress);
  const std::string commandLine = ExtractCommandLine(archive, folder);
  char noOutput[1] = {};
  BusyPhase = 1;
  const int32_t result = library.sevenZip(nullptr, commandLine.c_str(), noOutput, 0);
  BusyPhase = 0;
  return result == kSevenZipOk;
}

int32_t WINAPI ExtractProgress(void*, uint32_t, uint32_t state, void* info) {
  const auto* file = static_cast<const ExtractInfo*>(info);
  if (file && state == kExtractFileBegins) {
    const uint32_t now = InstallTicks();
    if (StatusUpdateDue(now, LastExtractStatusTick)) {
      LastExtractStatusTick = now;
      // The name field is bounded even when its terminator is missing.
      const size_t nameLength = strnlen(file->source_name, sizeof file->source_name);
      SetControlText(ProgressLabel, std::string(kExtractStatusPrefix) +
                                        std::string(file->source_name, nameLength));
      SetBarPosition(ExtractPercent(file->written_size, file->file_size));
    }
  } else if (file && state == kExtractFileProgress) {
    FollowFileProgress(ExtractPercent(file->written_size, file->file_size));
  }
  return AbortFlag == 1 ? 0 : 1;
}

}  // namespace orvane
