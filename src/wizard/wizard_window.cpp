#include "wizard/wizard_window.h"

#include "install/archive_library.h"
#include "net/download_file.h"
#include "package/load_package.h"
#include "package/package_info.h"
#include "startup/process_values.h"
#include "wizard/control_record.h"
#include "wizard/controls.h"
#include "wizard/layout.h"
#include "wizard/page_actions.h"
#include "wizard/painting.h"
#include "wizard/wizard_controls_internal.h"

namespace orvane {

HWND WizardHandle = nullptr;
HWND ActiveFormHandle = nullptr;
LONG_PTR FormResult = 0;

namespace {

void MeasureScaleFactors() {
  HDC screen = GetDC(nullptr);
  sx = static_cast<float>(GetDeviceCaps(screen, LOGPIXELSX)) / 96.0f;
  sy = static_cast<float>(GetDeviceCaps(screen, LOGPIXELSY)) / 96.0f;
  ReleaseDC(nullptr, screen);
}

bool RegisterWizardClass(HINSTANCE instance) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(instance, kWizardClassName, &existing)) return true;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = &WizardWindowProc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageA(instance, "IMAGE_ICO", IMAGE_ICON, 32, 32, LR_SHARED));
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, "IMAGE_ICO", IMAGE_ICON, 16, 16, LR_SHARED));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kWizardClassName;
  return RegisterClassExA(&wc) != 0;
}

// The control that sent a notification, and its record's index (-1 without one).
int NotificationIndex(UINT message, LPARAM lParam) {
  HWND sender = nullptr;
  if (message == WM_COMMAND || message == WM_HSCROLL || message == WM_VSCROLL) {
    sender = reinterpret_cast<HWND>(lParam);
  } else if (message == WM_NOTIFY && lParam) {
    sender = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
  }
  if (!sender) return -1;
  const ControlRecord* record = RecordOf(sender);
  return record ? record->index : -1;
}

// Button clicks, tested in the order Next, Cancel, Back, Browse.
bool RouteButtonClick(HWND window, WPARAM wParam, LPARAM lParam, int index) {
  if (HIWORD(wParam) != BN_CLICKED) return false;
  HWND control = reinterpret_cast<HWND>(lParam);
  const int id = LOWORD(wParam);
  switch (id) {
    case kNextButtonId:
      OnNextClicked(index, window, control, id);
      return true;
    case kCancelButtonId:
      // Posted, so the close handler runs after this click has returned.
      PostMessageA(window, WM_CLOSE, 0, 0);
      return true;
    case kBackButtonId:
      OnBackClicked(index, window, control, id);
      return true;
    case kBrowseButtonId:
      OnBrowseClicked(index, window, control, id);
      return true;
    default:
      return false;
  }
}

LRESULT OnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlRecord* record = AllocateRecord(window);
  if (!record) return -1;
  WizardHandle = window;
  SetTag(window, "");
  SetSecondTag(window, "");
  CreateWizardControls(window);
  SetUpWizardPictures(window);
  SetTimer(window, kStartTimerId, kStartTimerMs, nullptr);
  return DefWindowProcA(window, message, wParam, lParam);
}

void OnStartTimer(HWND window) {
  // Killed first, so the timer fires once however long loading takes.
  KillTimer(window, kStartTimerId);
  LoadPackage();
}

LRESULT OnDestroy(HWND window) {
  if (!PackageFilePath.empty()) ReleaseArchiveLibrary();
  KillTimer(window, kStartTimerId);
  WizardHandle = nullptr;
  ReleaseWizardPictures();
  if (ControlRecord* record = RecordOf(window)) {
    if (record->accelerators) DestroyAcceleratorTable(record->accelerators);
    if (record->threadTimer) KillTimer(nullptr, record->threadTimer);
    FreeRecord(window, record);
  }
  FreeTags(window);
  PostQuitMessage(0);
  return 0;
}

}  // namespace

float WindowScaleX() {
  if (sx == 0.0f) MeasureScaleFactors();
  return sx;
}

float WindowScaleY() {
  if (sy == 0.0f) MeasureScaleFactors();
  return sy;
}

void RefreshChildColours(HWND wizard) {
  for (HWND child = GetWindow(wizard, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RefreshSystemColours(child);
  }
}

HWND CreateWizardWindow(HWND owner, LONG_PTR createParam) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterWizardClass(instance);
  FormResult = createParam;
  const int width = ScaleUnits(kWizardWidthUnits, WindowScaleX());
  const int height = ScaleUnits(kWizardHeightUnits, WindowScaleY());
  const Point at =
      CentreOnScreen(width, height, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  HWND window = CreateWindowExA(
      WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE | WS_EX_TOPMOST, kWizardClassName, "",
      WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, at.x,
      at.y, width, height, owner, nullptr, instance, reinterpret_cast<LPVOID>(createParam));
  return window;
}

LONG_PTR CreateWizard(HWND owner, int loopSelector, LONG_PTR createParam) {
  HWND window = CreateWizardWindow(owner, createParam);
  if (!window) return 0;
  return RunModalLoop(loopSelector, window, owner, SW_SHOWNORMAL, 0);
}

void RepaintWizard(HWND window) {
  if (!IsWindow(window)) return;
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
}

LRESULT CALLBACK WizardWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlRecord* record = message == WM_CREATE ? nullptr : RecordOf(window);

  switch (message) {
    case WM_SIZE:
      // Every anchor of the wizard is empty and it cannot be resized: the
      // controls keep their places.
      break;
    case WM_ACTIVATE:
      ActiveFormHandle = wParam ? window : nullptr;
      break;
    default:
      break;
  }

  const int index = NotificationIndex(message, lParam);
  if (message == WM_COMMAND && RouteButtonClick(window, wParam, lParam, index)) return 0;
  if (message == WM_CLOSE) {
    if (OnWizardClose(window) != 0) return 0;
    // Its question and wait pumped messages: the window may be gone, and
    // its record with it.
    if (!IsWindow(window)) return 0;
    record = RecordOf(window);
  }
  if (message == WM_PAINT) return PaintWizard(window);
  // Acts only on WM_DOWNLOAD_PROGRESS and always answers 0.
  OnDownloadProgress(window, message, wParam, lParam);

  switch (message) {
    case WM_CREATE:
      return OnCreate(window, message, wParam, lParam);
    case WM_TIMER:
      if (wParam == kStartTimerId) OnStartTimer(window);
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) {
        SendMessageA(window, WM_CLOSE, 0, 0);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (record && record->modal) {
        if (record->disabledOwner) {
          EnableWindow(record->disabledOwner, TRUE);
          SetActiveWindow(record->disabledOwner);
        }
        ShowWindow(window, SW_HIDE);
      }
      break;
    case WM_DESTROY:
      return OnDestroy(window);
    case WM_SETFOCUS:
      if (record && IsWindow(record->lastFocusedChild)) SetFocus(record->lastFocusedChild);
      break;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
      RefreshChildColours(window);
      break;
    case WM_ERASEBKGND:
      // Every paint draws the whole surface off-screen and copies it in one
      // piece; erasing first would only flash the button face in between.
      return 1;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      if (HBRUSH brush =
              ControlColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
        return reinterpret_cast<LRESULT>(brush);
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace orvane
