#include "startup/start_sequence.h"

#include <commctrl.h>

#include <cstdint>

#include "base/path.h"
#include "build_constants.h"
#include "startup/process_values.h"
#include "startup/startup_decision.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

// The few GDI+ flat-API entries needed here.
extern "C" {
struct GdiplusStartupInputFlat {
  UINT32 GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInputFlat* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
}

namespace orvane {

HINSTANCE ModuleInstance = nullptr;

void SetProgramPathValues(const std::string& moduleFileName) {
  const SplitPath split = SplitFolderAndFile(moduleFileName);
  ProgramFolder = split.folder;
  ProgramFileName = split.file;
}

void ChooseRichEditClass() {
  struct Candidate {
    const char* library;
    const char* className;
  };
  static constexpr Candidate kCandidates[] = {
      {"MSFTEDIT.DLL", "RichEdit50W"},
      {"RICHED20.DLL", "RichEdit20A"},
      {"RICHED32.DLL", "RichEdit"},
  };
  RichEditClass.clear();
  for (const Candidate& c : kCandidates) {
    // Never freed: the class stays registered for the life of the process.
    if (LoadLibraryA(c.library)) {
      RichEditClass = c.className;
      return;
    }
  }
}

namespace {

// 0 = open the wizard, -1 = end now.
int RunStartupDecision() {
  InstallPage = WizardPage::Welcome;
  HostTemplates = {build::kHostUpdate1, build::kHostUpdate2, build::kHostWeb};
  if (!ParseSilentCheckRequest(CommandLine)) return 0;
  // The silent update check for "zf" N "," V arrives with the update feed;
  // until then this form opens the wizard like any other.
  return 0;
}

}  // namespace

LONG_PTR RunStartSequence(HINSTANCE instance, HINSTANCE /*previous*/,
                          const std::string& /*commandLine*/, int /*showCommand*/) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = 8;
  controls.dwICC = 0x7FFF;
  InitCommonControlsEx(&controls);
  ChooseRichEditClass();
  ModuleInstance = instance;

  char moduleName[MAX_PATH + 1] = {};
  GetModuleFileNameA(instance, moduleName, MAX_PATH);
  SetProgramPathValues(moduleName);

  ULONG_PTR gdiplusToken = 0;
  const GdiplusStartupInputFlat input{1, nullptr, FALSE, FALSE};
  GdiplusStartup(&gdiplusToken, &input, nullptr);

  if (RunStartupDecision() != 0) return FormResult;
  CreateWizard(nullptr, -1, 0);
  GdiplusShutdown(gdiplusToken);
  return FormResult;
}

}  // namespace orvane
