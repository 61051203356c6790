#include "qqgame/special_edition_install.h"

#include <windows.h>
// After windows.h.
#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "install/folder_copy.h"
#include "install/running_programs.h"
#include "install/work_folder.h"
#include "package/package_info.h"
#include "qqgame/game_hall_rules.h"
#include "qqgame/game_manager.h"
#include "qqgame/process_image_path.h"
#include "startup/process_values.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {

UpdaterWaitLimits SpecialEditionWaitLimits;

namespace {

// An open registry key, closed once.
class RegistryKey {
 public:
  RegistryKey(HKEY root, const char* path, REGSAM access) {
    if (RegOpenKeyExA(root, path, 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }

  // A text value; empty when it is missing or not a text.
  std::string Text(const char* name) const {
    if (!key_) return {};
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    std::vector<char> buffer(size + 1, '\0');
    if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS) {
      return {};
    }
    return std::string(buffer.data());  // up to the first terminator
  }

 private:
  HKEY key_ = nullptr;
};

// The hall's folder from its registry entries, which a 32-bit platform
// keeps in the 32-bit view of the registry.
std::string GameFolderFromHallRegistry() {
  const RegistryKey key(HKEY_LOCAL_MACHINE, kGameHallRegistryKey, KEY_READ | KEY_WOW64_32KEY);
  return GameFolderFromRegistry(key.Text(kGameDirectoryValue), key.Text(kMiniGamesDirectoryValue));
}

// The running hall: inside the companion window first, then top-level.
HWND FindGameHallWindow() {
  HWND container = FindGameManagerContainer();
  if (HWND hall = FindWindowExA(container, nullptr, nullptr, kGameHallTitle)) return hall;
  return FindWindowExA(nullptr, nullptr, nullptr, kGameHallTitle);
}

std::string IniText(const std::string& file, const char* section, const char* key) {
  // The call cuts a long value to the buffer: grow it until the value fits.
  for (DWORD size = 1024; size <= 65536; size *= 2) {
    std::vector<char> buffer(size, '\0');
    const DWORD length =
        GetPrivateProfileStringA(section, key, "", buffer.data(), size, file.c_str());
    if (length < size - 1) return std::string(buffer.data(), length);
  }
  return {};
}

void ShowError(const char* text) {
  MessageBoxA(WizardHandle, text, "", MB_OK | MB_ICONERROR);
}

// The wizard's side of the updater waits.
class WizardUpdaterWait : public UpdaterWaitHost {
 public:
  bool FindUpdaterWindow() override {
    updater_ = FindWindowA(nullptr, kGameUpdaterTitle);
    return updater_ != nullptr;
  }
  bool UpdaterWindowOpen() override { return updater_ && IsWindow(updater_); }
  void ShowUpdating() override { SetControlText(ProgressLabel, kUpdatingLabel); }
  void ShowCounter(int32_t position) override {
    if (IsWindow(ProgressBar)) SendMessageA(ProgressBar, PBM_SETPOS, position, 0);
  }
  void Pump(uint32_t milliseconds) override { WaitPumping(static_cast<int>(milliseconds)); }
  uint32_t NowMs() override { return timeGetTime(); }
  bool WizardOpen() override { return IsWindow(WizardHandle) != FALSE; }

 private:
  HWND updater_ = nullptr;
};

}  // namespace

void InstallSpecialEditionGame() {
  // The folder of the running hall's program wins over the registry; a hall
  // whose program cannot be read leaves the choice to the registry.
  HWND hall = FindGameHallWindow();
  std::string gameFolder;
  if (hall) {
    gameFolder =
        GameFolderFromProgramPath(ProcessImagePath(static_cast<uint32_t>(WindowProcessId(hall))));
  }
  if (gameFolder.empty()) {
    hall = nullptr;
    gameFolder = GameFolderFromHallRegistry();
  }
  if (gameFolder.empty()) {
    ShowError(kNoGameHallText);
    return;
  }

  const std::optional<std::string> subFolder = GameSubFolder(
      IniText(WorkFolder() + kGameConfigFile, kGameConfigSection, kDestRootFolderKey));
  if (!subFolder) {
    ShowError(kNoGameConfigText);
    return;
  }
  const std::string destination = GameDestination(gameFolder, *subFolder);

  PageHeading = kInstallHeading;
  PageSubheading = InstallSubheading(PackageInfo.name);
  SetControlText(TargetFolderEdit, GameFolderWithSeparator(gameFolder));
  if (IsWindow(WizardHandle)) RepaintWizard(WizardHandle);

  SetControlText(ProgressLabel, kStoppingGameLabel);
  StopProgramsInFolder(destination);

  SetControlText(ProgressLabel, kStartingUpdaterLabel);
  ShellExecuteA(hall, "Open", PackageFilePath.c_str(), nullptr, ProgramFolder.c_str(),
                SW_SHOWNORMAL);

  if (IsWindow(ProgressBar))
    SendMessageA(ProgressBar, PBM_SETRANGE32, kUpdaterCounterFirst, kUpdaterCounterLast);
  WizardUpdaterWait wait;
  if (RunUpdaterWaits(wait, SpecialEditionWaitLimits) == UpdaterWaitEnd::WizardClosed) {
    ExitProcess(0);
  }

  BusyPhase = 2;
  SetControlText(ProgressLabel, kCopyingLabel);
  CopyFolderTree(WizardHandle, WorkFolder() + kStudioFilesFolder, destination);
  SetControlText(ProgressLabel, kAllDoneLabel);
  BusyPhase = 0;
  if (AbortFlag == 1) ExitProcess(0);
}

}  // namespace orvane
