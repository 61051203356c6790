#include "startup/start_sequence.h"

#include <commctrl.h>

#include <cstdint>
#include <string>

#include "base/path.h"
#include "base/win/gdiplus_flat.h"
#include "build_constants.h"
#include "startup/feed_check.h"
#include "startup/process_values.h"
#include "startup/startup_decision.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

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
  // From the system folder only: the program's own folder holds whatever
  // was downloaded beside it, and the wizard runs elevated.
  char system[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryA(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  for (const Candidate& c : kCandidates) {
    // Never freed: the class stays registered for the life of the process.
    if (LoadLibraryA((std::string(system) + "\\" + c.library).c_str())) {
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
  const std::optional<SilentCheckRequest> request = ParseSilentCheckRequest(CommandLine);
  if (!request) return 0;
  if (FeedCheck(request->product, request->version) == -1) return -1;
  if (InstallPage == WizardPage::NoNetwork) return -1;
  const std::string question = std::string("发现本软件有最新版本，是否要更新？\r\n\r\n") +
                               TitleText + "\r\n\r\n" + VersionText + "\r\n\r\n" +
                               "你当前使用的版本是：" + request->version;
  // No owner: the wizard does not exist yet.
  if (MessageBoxA(nullptr, question.c_str(), "发现软件有更新", MB_YESNO | MB_ICONQUESTION) ==
      IDNO) {
    return -1;
  }
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

  // Its result is not checked: without GDI+ the banners stay empty.
  ULONG_PTR gdiplusToken = 0;
  const GdiplusStartupInputFlat input{1, nullptr, FALSE, FALSE};
  GdiplusStartup(&gdiplusToken, &input, nullptr);

  // Ending before the wizard, the process goes away with GDI+ still up.
  if (RunStartupDecision() != 0) return FormResult;
  CreateWizard(nullptr, -1, 0);
  GdiplusShutdown(gdiplusToken);
  return FormResult;
}

}  // namespace orvane
