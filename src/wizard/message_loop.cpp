#include <windows.h>

#include <string>

#include "base/text.h"
#include "startup/process_values.h"
#include "wizard/control_record.h"
#include "wizard/wizard_controls_internal.h"
#include "wizard/wizard_window.h"

namespace orvane {

namespace {

bool ClassNameStartsWithForm(HWND window) {
  char name[100] = {};
  GetClassNameA(window, name, sizeof name);
  return StartsWith(name, "FORM_");
}

bool IsMdiChild(HWND window) {
  return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
}

bool IsChild(HWND window) {
  return (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
}

// The form whose dialog-style keyboard handling applies: the active form,
// or the nearest "FORM_" window above it when it is a child.
HWND NavigationWindow() {
  HWND window = ActiveFormHandle;
  while (window && IsChild(window) && !IsMdiChild(window)) {
    if (ClassNameStartsWithForm(window)) break;
    window = GetParent(window);
  }
  return window;
}

bool IsMultiLineEdit(HWND window) {
  if (!window) return false;
  char name[260] = {};
  GetClassNameA(window, name, sizeof name);
  const std::string upper = ToUpperAscii(name);
  const bool editClass =
      upper == "EDIT" || (!RichEditClass.empty() && upper == ToUpperAscii(RichEditClass));
  return editClass && (GetWindowLongA(window, GWL_STYLE) & ES_MULTILINE) != 0;
}

// Escape and Tab inside a multi-line edit would be eaten by the edit
// itself; turn them into the dialog actions they stand for.
void AdjustForMultiLineEdit(MSG& message) {
  if (!IsMultiLineEdit(GetFocus())) return;
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
    message.message = WM_COMMAND;
    message.wParam = IDCANCEL;
    message.lParam = 0;
  } else if (message.message == WM_CHAR && message.wParam == '\t') {
    const bool backwards = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
    HWND parent = GetParent(message.hwnd);
    SetFocus(GetNextDlgTabItem(parent, message.hwnd, backwards ? TRUE : FALSE));
    message.message = 0;
  }
}

}  // namespace

// True when dialog-style navigation consumed the message.
bool HandleDialogNavigation(MSG& message) {
  HWND navigation = NavigationWindow();
  AdjustForMultiLineEdit(message);
  return navigation && IsDialogMessageA(navigation, &message);
}

LONG_PTR RunModalLoop(int selector, HWND window, HWND owner, int showCommand, int mdiFlag) {
  ControlRecord* record = RecordOf(window);
  if (!record) return 0;
  if (IsMdiChild(window) || selector != -1) {
    ShowWindow(window, showCommand);
    return reinterpret_cast<LONG_PTR>(window);
  }
  while (owner && IsChild(owner)) {
    owner = GetParent(owner);
    if (owner && IsMdiChild(owner)) break;
  }
  record->modal = TRUE;
  record->disabledOwner = owner;
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(window, showCommand);
  UpdateWindow(window);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0 && IsWindow(window)) {
    if (message.message == WM_QUIT) break;
    if (mdiFlag == -1 && TranslateMDISysAccel(owner, &message)) continue;
    if (record->accelerators && TranslateAcceleratorA(window, record->accelerators, &message)) {
      continue;
    }
    if (HandleDialogNavigation(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    // The record goes away with the window; take it afresh each round.
    record = RecordOf(window);
    if (!record) break;
  }
  const LONG_PTR result = FormResult;
  FormResult = 0;
  return result;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Leave the quit for the modal loop, which ends on it.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (HandleDialogNavigation(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void WaitPumping(int milliseconds) {
  if (milliseconds < 1) milliseconds = 1;
  const std::string name = ProgramFileName + "Timer" + std::to_string(GetTickCount() ^ rand());
  HANDLE timer = CreateWaitableTimerA(nullptr, TRUE, name.c_str());
  if (!timer) {
    Sleep(static_cast<DWORD>(milliseconds));
    return;
  }
  LARGE_INTEGER due;
  due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10000;
  SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE);
  MSG quit;
  while (MsgWaitForMultipleObjects(1, &timer, FALSE, 65535, QS_ALLINPUT) != WAIT_OBJECT_0) {
    PumpMessages();
    // A pending quit keeps the queue signalled; just let the time run out.
    if (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
      WaitForSingleObject(timer, INFINITE);
      break;
    }
  }
  CloseHandle(timer);
}

}  // namespace orvane
