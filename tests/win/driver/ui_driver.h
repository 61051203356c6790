// Driving the wizard from another process (or the same one): finding it,
// reading and clicking its controls, answering its message boxes, and
// saving screenshots. Every end-to-end test uses it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::driver {

struct ControlInfo {
  int id = 0;
  std::string className;
  std::string text;
  bool visible = false;
  bool enabled = false;
  RECT rect{};  // in the wizard's client coordinates
};

struct MessageBoxInfo {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  std::vector<int> buttonIds;
};

inline constexpr const char* kWizardClass = "FORM_Pellumo_FORM1_CLASS";

// A started program; the handles are closed with it.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ~ChildProcess();

  // Starts `exe` with `arguments` (a command-line tail, may be empty).
  static ChildProcess Start(const std::string& exe, const std::string& arguments);

  bool running() const;
  DWORD id() const { return id_; }
  HANDLE handle() const { return process_; }
  // Waits for the end; false on time-out. `exitCode` gets the code.
  bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// The visible wizard window of process `pid` (any process when 0), waited
// for up to `timeoutMs`; null when none appeared.
HWND WaitForWizard(DWORD pid, DWORD timeoutMs);

// The visible message box (dialog class "#32770") owned by thread
// `threadId`, or null; for tests that answer their own boxes from a timer.
HWND FindThreadDialog(DWORD threadId);

// Waits until `window` is gone.
bool WaitForWindowGone(HWND window, DWORD timeoutMs);

std::vector<ControlInfo> ListControls(HWND wizard);

// Waits until the control `id` of the wizard is visible and enabled.
bool WaitForControlReady(HWND wizard, int id, DWORD timeoutMs);
// Waits until the text of control `id` (0: the wizard's caption) is `text`.
bool WaitForControlText(HWND wizard, int id, const std::string& text, DWORD timeoutMs);
HWND ControlById(HWND wizard, int id);

// Clicks a button of the wizard without waiting for its handler, so a
// handler that opens a message box does not block the driver.
bool ClickButton(HWND wizard, int id);

// Sends a key press (WM_KEYDOWN, WM_CHAR for printable keys, WM_KEYUP) to
// the control of the wizard that has the keyboard focus.
bool SendKey(HWND wizard, UINT virtualKey);

std::string GetText(HWND window);
bool SetText(HWND window, const std::string& text);

// The message box (class #32770) of process `pid`, waited for.
bool WaitForMessageBox(DWORD pid, DWORD timeoutMs, MessageBoxInfo* box);
// Presses a button of a message box by its id (IDYES, IDNO, IDOK, ...).
bool PressMessageBoxButton(const MessageBoxInfo& box, int buttonId);

// Saves the window's on-screen pixels as a PNG (through GDI+). The window
// is brought up to date first.
bool SaveScreenshot(HWND window, const std::string& pngPath);

// The window's pixels as 32-bit BGRA rows, top-down, for pixel checks.
struct Capture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
bool CaptureWindow(HWND window, Capture* capture, bool clientOnly);

}  // namespace orvane::driver
