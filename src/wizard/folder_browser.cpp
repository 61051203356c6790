#include <shlobj.h>

#include <string>

#include "base/win/handles.h"
#include "wizard/controls.h"
#include "wizard/page_actions.h"
#include "wizard/page_flow.h"
#include "wizard/page_state.h"

namespace orvane {
namespace {

constexpr UINT kFolderBrowserFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN |
                                     BIF_RETURNFSANCESTORS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
static_assert(kFolderBrowserFlags == 0x5B);

// The file-system path of an item list, empty when it has none.
std::string PathOfItem(LPCITEMIDLIST item) {
  char path[MAX_PATH] = {};
  if (!item || !SHGetPathFromIDListA(item, path)) return {};
  return path;
}

int CALLBACK FolderBrowserEvent(HWND dialog, UINT message, LPARAM lParam, LPARAM data) {
  switch (message) {
    case BFFM_INITIALIZED: {
      const auto* initial = reinterpret_cast<const std::string*>(data);
      SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(initial->c_str()));
      break;
    }
    case BFFM_SELCHANGED: {
      // Network places and the desktop's virtual items have no drive letter.
      const bool usable = IsDriveLetterPath(PathOfItem(reinterpret_cast<LPCITEMIDLIST>(lParam)));
      SendMessageA(dialog, BFFM_ENABLEOK, 0, usable ? TRUE : FALSE);
      break;
    }
    default:
      break;
  }
  return 0;
}

}  // namespace

void OnBrowseClicked(int, HWND window, HWND, int) {
  const std::string initial = ControlText(TargetFolderEdit);
  const std::string title = FolderBrowserTitle(TitleText);
  char displayName[MAX_PATH] = {};

  BROWSEINFOA info{};
  info.hwndOwner = window;
  info.pszDisplayName = displayName;
  info.lpszTitle = title.c_str();
  info.ulFlags = kFolderBrowserFlags;
  info.lpfn = &FolderBrowserEvent;
  info.lParam = reinterpret_cast<LPARAM>(&initial);

  ComScope com;  // the new dialog style needs COM on this thread
  LPITEMIDLIST item = SHBrowseForFolderA(&info);
  if (!item) return;  // cancelled: the folder stays as it was
  const std::string chosen = PathOfItem(item);
  CoTaskMemFree(item);
  // Written back as the system gives it: a drive root keeps its "\".
  if (!chosen.empty()) SetControlText(TargetFolderEdit, chosen);
}

}  // namespace orvane
