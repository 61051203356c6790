// install_copy_bench SOURCE DESTINATION: moves the tree below SOURCE into
// DESTINATION with the install step's CopyFolderTree, for
// bench/install/run-bench.sh under Wine. The wizard window is made and
// shown on its installing page, as the install step leaves it, so the copy
// writes its status line and dispatches the window's messages as in a real
// install (a hidden window would make the copy look faster than it is).
// Prints the milliseconds the copy took (without the program's start);
// exit code 0 when every file was moved.
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "install/folder_copy.h"
#include "install/folder_copy_rules.h"
#include "wizard/page_state.h"
#include "wizard/wizard_controls_internal.h"
#include "wizard/wizard_window.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: install_copy_bench SOURCE DESTINATION\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0x7FFF};
  InitCommonControlsEx(&controls);
  if (!orvane::CreateWizardWindow(nullptr, 0)) {
    std::fprintf(stderr, "install_copy_bench: no wizard window\n");
    return 1;
  }
  // Without its start timer the window never begins loading a package
  // while the copy dispatches messages.
  KillTimer(orvane::WizardHandle, orvane::kStartTimerId);
  orvane::InstallPage = orvane::WizardPage::Installing;
  ShowWindow(orvane::WizardHandle, SW_SHOWNORMAL);
  orvane::RepaintWizard(orvane::WizardHandle);
  orvane::PumpMessages();
  const std::string source = argv[1];
  const std::string destination = argv[2];
  if (!orvane::CreateFolderTree(destination)) {
    std::fprintf(stderr, "install_copy_bench: cannot make %s\n", argv[2]);
    return 1;
  }

  orvane::AbortFlag = 0;
  orvane::BusyPhase = 2;
  LARGE_INTEGER frequency;
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const int result = orvane::CopyFolderTree(orvane::WizardHandle, source, destination);
  QueryPerformanceCounter(&end);
  orvane::BusyPhase = 0;

  std::printf("%.1f\n", 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart));
  DestroyWindow(orvane::WizardHandle);
  return result == orvane::kCopyNext ? 0 : 1;
}
