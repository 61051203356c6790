#include "wizard/controls.h"

#include <commctrl.h>

#include <string>

#include "startup/process_values.h"
#include "wizard/control_record.h"
#include "wizard/layout.h"
#include "wizard/wizard_controls_internal.h"

namespace orvane {

HWND ProgressLabel = nullptr;
HWND LaunchAfterFinishCheck = nullptr;
HWND DesktopShortcutCheck = nullptr;
HWND BrowseButton = nullptr;
HWND TargetFolderGroup = nullptr;
HWND TargetFolderEdit = nullptr;
HWND ProgressBar = nullptr;
HWND BackButton = nullptr;
HWND CancelButton = nullptr;
HWND NextButton = nullptr;

namespace {

constexpr const char* kControlFont = "微软雅黑,9,0";

// The handle variable of each row of the control table, in order.
HWND* const kHandleVariables[10] = {
    &ProgressLabel,        &LaunchAfterFinishCheck,
    &DesktopShortcutCheck, &BrowseButton,
    &TargetFolderGroup,    &TargetFolderEdit,
    &ProgressBar,          &BackButton,
    &CancelButton,         &NextButton,
};

ColourRequest ColoursFor(int id) {
  switch (id) {
    case kProgressLabelId:
    case kLaunchAfterFinishCheckId:
    case kDesktopShortcutCheckId:
    case kTargetFolderGroupId:
      return {true, true, true, COLOR_WINDOWTEXT, COLOR_BTNFACE};
    case kTargetFolderEditId:
      return {true, true, true, COLOR_WINDOWTEXT, COLOR_WINDOW};
    default:
      return {};
  }
}

void SendSetUpMessages(HWND control, int id) {
  switch (id) {
    case kLaunchAfterFinishCheckId:
    case kDesktopShortcutCheckId:
      SendMessageA(control, BM_SETCHECK, BST_CHECKED, 0);
      break;
    case kTargetFolderEditId:
      SendMessageA(control, EM_SETLIMITTEXT, 0, 0);
      SendMessageA(control, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
      break;
    case kProgressBarId:
      SendMessageA(control, PBM_SETRANGE32, 1, 100);
      SendMessageA(control, PBM_SETPOS, 80, 0);
      break;
    default:
      break;
  }
}

}  // namespace

void CreateWizardControls(HWND wizard) {
  const auto& table = WizardControlTable();
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(wizard, GWLP_HINSTANCE));
  for (size_t row = 0; row < table.size(); ++row) {
    const ControlSpec& spec = table[row];
    const PixelRect r = ScaleControl(spec, WindowScaleX(), WindowScaleY());
    HWND control = CreateWindowExA(
        spec.exStyles, spec.className, spec.caption, spec.styles, r.x, r.y, r.width, r.height,
        wizard, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)), instance, nullptr);
    AttachControlRecord(control, kControlFont, 0, ColoursFor(spec.id));
    SetTag(control, "");
    SetSecondTag(control, "");
    *kHandleVariables[row] = control;
    SendSetUpMessages(control, spec.id);
  }
  // The first tab stop in creation order, although it is still hidden.
  if (IsWindow(LaunchAfterFinishCheck)) SetFocus(LaunchAfterFinishCheck);
}

void ShowControl(HWND control, bool visible) {
  if (IsWindow(control)) ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

void SetControlText(HWND control, std::string_view text) {
  if (IsWindow(control)) SetWindowTextA(control, std::string(text).c_str());
}

std::string ControlText(HWND control) {
  if (!IsWindow(control)) return {};
  const int length = GetWindowTextLengthA(control);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(control, text.data(), length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}

void EnableControl(HWND control, bool enabled) {
  if (IsWindow(control)) EnableWindow(control, enabled ? TRUE : FALSE);
}

}  // namespace orvane
