#include "install/running_programs.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include "base/win/handles.h"
#include "install/install_messages.h"
#include "install/running_program_rules.h"
#include "qqgame/process_image_path.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {
namespace {

constexpr int kPauseSteps = 100;
constexpr int kPauseStepMs = 50;

// Calls `visit` with each entry of a fresh process snapshot until it
// answers false.
template <typename Visit>
void WalkProcessSnapshot(Visit visit) {
  UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (!visit(entry)) return;
  }
}

void PauseWithFillingBar() {
  if (IsWindow(ProgressBar)) SendMessageA(ProgressBar, PBM_SETRANGE32, 1, 100);
  for (int position = 1; position <= kPauseSteps; ++position) {
    if (IsWindow(ProgressBar)) SendMessageA(ProgressBar, PBM_SETPOS, position, 0);
    WaitPumping(kPauseStepMs);
  }
}

}  // namespace

std::vector<ProcessEntry> ListProcesses(bool bareNames) {
  std::vector<ProcessEntry> processes;
  WalkProcessSnapshot([&](const PROCESSENTRY32& entry) {
    std::string path = bareNames ? std::string() : ProcessImagePath(entry.th32ProcessID);
    if (path.empty()) path = entry.szExeFile;
    processes.push_back({std::move(path), entry.th32ProcessID});
    return true;
  });
  return processes;
}

std::string ProcessExeName(DWORD processId) {
  std::string name;
  WalkProcessSnapshot([&](const PROCESSENTRY32& entry) {
    if (entry.th32ProcessID != processId) return true;
    name = entry.szExeFile;
    return false;
  });
  return name;
}

DWORD WindowProcessId(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  return processId;
}

bool TerminateProcessById(DWORD processId) {
  UniqueHandle process(
      OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, processId));
  if (!process) return false;
  return TerminateProcess(process.get(), 0) != 0;
}

void StopProgramsInFolder(const std::string& folder) {
  for (HWND button : {NextButton, CancelButton, BackButton, BrowseButton}) {
    EnableControl(button, false);
  }
  const DWORD self = GetCurrentProcessId();
  bool stopped = false;
  for (const ProcessEntry& process : ListProcesses(false)) {
    if (process.id == self || !ProcessPathInFolder(process.path, folder)) continue;
    MessageBoxA(WizardHandle, RunningProgramText(TitleText, process.path).c_str(),
                kRunningProgramCaption, MB_OK | MB_ICONWARNING);
    // The box may have stayed open for long: the program may have ended and
    // its id gone to another one, which must not be ended in its place.
    if (ProcessPathInFolder(ProcessImagePath(process.id), folder)) {
      TerminateProcessById(process.id);
    }
    stopped = true;
  }
  if (!stopped) return;
  InstallPage = WizardPage::Installing;
  if (WizardHandle) RepaintWizard(WizardHandle);
  PauseWithFillingBar();
}

}  // namespace orvane
