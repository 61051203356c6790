#include "install/shortcut_launch.h"

#include <windows.h>
// after windows.h, which they need
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "base/win/handles.h"
#include "install/com_dispatch.h"
#include "install/launch_plan.h"
#include "package/package_info.h"
#include "wizard/controls.h"
#include "wizard/wizard_window.h"

namespace orvane {
namespace {

// WScript.Shell
constexpr CLSID kWshShellClass = {
    0x72C24DD5, 0xD70A, 0x438B, {0x8A, 0x42, 0x98, 0x42, 0x4B, 0x88, 0xAF, 0xB8}};
constexpr int kNormalWindowStyle = 1;

bool IsTicked(HWND checkBox) {
  return IsWindow(checkBox) && SendMessageA(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The current user's desktop folder, ending in "\"; empty when unknown.
std::wstring DesktopFolder() {
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return {};
  }
  std::wstring result = folder;
  if (!result.empty() && result.back() != L'\\') result += L'\\';
  return result;
}

void SaveDesktopShortcut(const LaunchPlan& plan, const std::string& description) {
  // Without the desktop the shortcut would land in the current folder.
  const std::wstring desktop = DesktopFolder();
  if (desktop.empty()) return;
  ComScope com;
  ComRef<IDispatch> shortcut;
  {
    ComRef<IDispatch> shell = CreateDispatchObject(kWshShellClass);
    UniqueVariant path = UniqueVariant::Text(desktop + WideFromAnsi(plan.shortcutName));
    UniqueVariant created;
    CallByName(shell.get(), L"CreateShortcut", path.get(), &created);
    shortcut = created.Object();
  }
  if (!shortcut) return;
  UniqueVariant text = UniqueVariant::Text(WideFromAnsi(description));
  PutByName(shortcut.get(), L"Description", text.get());
  UniqueVariant folder = UniqueVariant::Text(WideFromAnsi(plan.folder));
  PutByName(shortcut.get(), L"WorkingDirectory", folder.get());
  UniqueVariant target = UniqueVariant::Text(WideFromAnsi(plan.program));
  PutByName(shortcut.get(), L"TargetPath", target.get());
  UniqueVariant style = UniqueVariant::Integer(kNormalWindowStyle);
  PutByName(shortcut.get(), L"WindowStyle", style.get());
  CallByName(shortcut.get(), L"Save", nullptr, nullptr);
}

}  // namespace

void CreateShortcutAndLaunch() {
  const LaunchPlan plan =
      MakeLaunchPlan(ControlText(TargetFolderEdit), PackageInfo.fileName, PackageInfo.name);
  const bool shortcutWanted = IsTicked(DesktopShortcutCheck);
  if (WizardHandle) ShowWindow(WizardHandle, SW_HIDE);

  if (shortcutWanted) SaveDesktopShortcut(plan, PackageInfo.description);

  if (IsTicked(LaunchAfterFinishCheck)) {
    SetCurrentDirectoryA(plan.folder.c_str());
    // The folder goes as it is, unquoted: a folder with blanks reaches the
    // program as several parameters, which the studio's programs expect.
    ShellExecuteA(nullptr, "open", plan.program.c_str(), plan.folder.c_str(), nullptr,
                  SW_SHOWNORMAL);
  }
  if (WizardHandle) PostMessageA(WizardHandle, WM_CLOSE, 0, 0);
}

}  // namespace orvane
