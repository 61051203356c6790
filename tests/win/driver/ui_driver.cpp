#include "win/driver/ui_driver.h"

#include <utility>

#include "base/win/gdiplus_flat.h"

namespace orvane::driver {

namespace {

constexpr DWORD kPollMs = 10;

// Waiting on a window of another process has no event to wait on; poll
// briefly, bounded by the caller's time-out.
template <typename Found>
bool PollUntil(DWORD timeoutMs, Found found) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (found()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(kPollMs);
  }
}

struct WindowSearch {
  DWORD pid;
  const char* className;
  bool visibleOnly;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  char name[128] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, search->className) != 0) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (search->pid && pid != search->pid) return TRUE;
  if (search->visibleOnly && !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTopLevelWindow(DWORD pid, const char* className, bool visibleOnly) {
  WindowSearch search{pid, className, visibleOnly, nullptr};
  EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
  return TRUE;
}

std::string ClassOf(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// A named callback: a lambda has no stdcall conversion on 32-bit Windows.
BOOL CALLBACK TakeVisibleDialog(HWND window, LPARAM found) {
  if (ClassOf(window) != "#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

const CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

std::wstring Widen(const std::string& text) {
  const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

}  // namespace

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), id_(std::exchange(other.id_, 0)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    if (process_) CloseHandle(process_);
    process_ = std::exchange(other.process_, nullptr);
    id_ = std::exchange(other.id_, 0);
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  if (process_) CloseHandle(process_);
}

ChildProcess ChildProcess::Start(const std::string& exe, const std::string& arguments) {
  std::string commandLine = "\"" + exe + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ChildProcess child;
  if (CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &info)) {
    CloseHandle(info.hThread);
    child.process_ = info.hProcess;
    child.id_ = info.dwProcessId;
  }
  return child;
}

bool ChildProcess::running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) const {
  if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process_, exitCode);
  return true;
}

void ChildProcess::Kill() {
  if (running()) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
}

HWND WaitForWizard(DWORD pid, DWORD timeoutMs) {
  HWND found = nullptr;
  PollUntil(timeoutMs, [&] { return (found = FindTopLevelWindow(pid, kWizardClass, true)); });
  return found;
}

HWND FindThreadDialog(DWORD threadId) {
  HWND found = nullptr;
  EnumThreadWindows(threadId, &TakeVisibleDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  return PollUntil(timeoutMs, [&] { return !IsWindow(window); });
}

std::vector<ControlInfo> ListControls(HWND wizard) {
  std::vector<HWND> children;
  EnumChildWindows(wizard, &CollectChild, reinterpret_cast<LPARAM>(&children));
  std::vector<ControlInfo> controls;
  for (HWND child : children) {
    if (GetParent(child) != wizard) continue;
    ControlInfo info;
    info.id = GetDlgCtrlID(child);
    info.className = ClassOf(child);
    info.text = GetText(child);
    info.visible = IsWindowVisible(child) != FALSE;
    info.enabled = IsWindowEnabled(child) != FALSE;
    GetWindowRect(child, &info.rect);
    MapWindowPoints(nullptr, wizard, reinterpret_cast<POINT*>(&info.rect), 2);
    controls.push_back(info);
  }
  return controls;
}

HWND ControlById(HWND wizard, int id) {
  return GetDlgItem(wizard, id);
}

bool WaitForControlReady(HWND wizard, int id, DWORD timeoutMs) {
  return PollUntil(timeoutMs, [&] {
    HWND control = ControlById(wizard, id);
    return control && IsWindowVisible(control) && IsWindowEnabled(control);
  });
}

bool WaitForControlText(HWND wizard, int id, const std::string& text, DWORD timeoutMs) {
  return PollUntil(timeoutMs, [&] {
    HWND control = id == 0 ? wizard : ControlById(wizard, id);
    return control && GetText(control) == text;
  });
}

bool ClickButton(HWND wizard, int id) {
  HWND button = ControlById(wizard, id);
  return button && PostMessageA(button, BM_CLICK, 0, 0);
}

bool SendKey(HWND wizard, UINT virtualKey) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  const DWORD thread = GetWindowThreadProcessId(wizard, nullptr);
  HWND target = (GetGUIThreadInfo(thread, &gui) && gui.hwndFocus) ? gui.hwndFocus : wizard;
  const UINT scan = MapVirtualKeyA(virtualKey, 0);
  const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  const LPARAM up = down | (1 << 30) | (static_cast<LPARAM>(1) << 31);
  bool ok = PostMessageA(target, WM_KEYDOWN, virtualKey, down);
  if (virtualKey == VK_ESCAPE || virtualKey == VK_TAB || virtualKey == VK_RETURN) {
    const WPARAM ch = virtualKey == VK_ESCAPE ? 0x1B : virtualKey == VK_TAB ? '\t' : '\r';
    ok = PostMessageA(target, WM_CHAR, ch, down) && ok;
  }
  return PostMessageA(target, WM_KEYUP, virtualKey, up) && ok;
}

std::string GetText(HWND window) {
  char buffer[4096] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  return buffer;
}

bool SetText(HWND window, const std::string& text) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

bool WaitForMessageBox(DWORD pid, DWORD timeoutMs, MessageBoxInfo* box) {
  HWND found = nullptr;
  if (!PollUntil(timeoutMs, [&] { return (found = FindTopLevelWindow(pid, "#32770", true)); })) {
    return false;
  }
  box->window = found;
  box->caption = GetText(found);
  HWND text = GetDlgItem(found, 0xFFFF);
  box->text = text ? GetText(text) : "";
  box->buttonIds.clear();
  std::vector<HWND> children;
  EnumChildWindows(found, &CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    if (ClassOf(child) == "Button") box->buttonIds.push_back(GetDlgCtrlID(child));
  }
  return true;
}

bool PressMessageBoxButton(const MessageBoxInfo& box, int buttonId) {
  HWND button = GetDlgItem(box.window, buttonId);
  if (!button) return false;
  return PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)) != 0;
}

bool CaptureWindow(HWND window, Capture* capture, bool clientOnly) {
  if (!IsWindow(window)) return false;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT r;
  if (clientOnly) {
    GetClientRect(window, &r);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  } else {
    GetWindowRect(window, &r);
  }
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
    SelectObject(memory, old);
    GdiFlush();
    capture->width = width;
    capture->height = height;
    const auto* p = static_cast<const uint32_t*>(bits);
    capture->pixels.assign(p, p + static_cast<size_t>(width) * height);
    for (uint32_t& px : capture->pixels) px &= 0x00FFFFFF;
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool SaveScreenshot(HWND window, const std::string& pngPath) {
  Capture capture;
  if (!CaptureWindow(window, &capture, false)) return false;
  HDC screen = GetDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (!bitmap || !bits) return false;
  memcpy(bits, capture.pixels.data(), capture.pixels.size() * sizeof(uint32_t));

  bool ok = false;
  if (GdiplusSession gdiplus; gdiplus) {
    void* image = nullptr;
    if (GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == kGdiplusOk) {
      ok = GdipSaveImageToFile(image, Widen(pngPath).c_str(), &kPngEncoder, nullptr) == kGdiplusOk;
      GdipDisposeImage(image);
    }
  }
  DeleteObject(bitmap);
  return ok;
}

}  // namespace orvane::driver
