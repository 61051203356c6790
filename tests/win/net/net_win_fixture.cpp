#include "net_win_fixture.h"

#include <commctrl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/win/handles.h"
#include "net/download_file.h"
#include "net/network_state.h"
#include "startup/process_values.h"
#include "win/driver/ui_driver.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane::net_test {

namespace {

constexpr const char* kClassName = "FORM_NetTestWindow";

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  OnDownloadProgress(window, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterTestClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &TestWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);
}

struct AnswererState {
  int seen = 0;
  std::string text;
  std::string caption;
};
AnswererState answerer;

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = driver::FindThreadDialog(GetCurrentThreadId());
  if (!dialog) return;
  ++answerer.seen;
  answerer.text = WindowText(GetDlgItem(dialog, 0xFFFF));
  answerer.caption = WindowText(dialog);
  SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
}

std::function<void()> oneShotAction;
UINT_PTR oneShotTimer = 0;

void CALLBACK OneShotTimer(HWND, UINT, UINT_PTR, DWORD) {
  KillTimer(nullptr, oneShotTimer);
  oneShotTimer = 0;
  if (oneShotAction) {
    auto action = std::move(oneShotAction);
    oneShotAction = nullptr;
    action();
  }
}

}  // namespace

std::string ServerFolder() {
  return ORVANE_NET_SERVER_DIR_WIN "\\";
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> AccessLog() {
  std::istringstream text(ReadBytes(ServerFolder() + "access.log"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

void ClearAccessLog() {
  // nginx appends; emptying the file keeps its handle valid.
  std::ofstream(ServerFolder() + "access.log", std::ios::trunc);
}

MessageBoxAnswerer::MessageBoxAnswerer() {
  answerer = AnswererState{};
  timer_ = SetTimer(nullptr, 0, 50, &AnswerTimer);
}
MessageBoxAnswerer::~MessageBoxAnswerer() {
  KillTimer(nullptr, timer_);
}
int MessageBoxAnswerer::seen() const {
  return answerer.seen;
}
std::string MessageBoxAnswerer::text() const {
  return answerer.text;
}
std::string MessageBoxAnswerer::caption() const {
  return answerer.caption;
}

OneShot::OneShot(int delayMs, std::function<void()> action) {
  oneShotAction = std::move(action);
  oneShotTimer = SetTimer(nullptr, 0, delayMs, &OneShotTimer);
  timer_ = oneShotTimer;
}
OneShot::~OneShot() {
  if (oneShotTimer == timer_ && timer_) KillTimer(nullptr, timer_);
  oneShotTimer = 0;
  oneShotAction = nullptr;
}

int Pixels::Count(uint32_t rgb) const {
  int count = 0;
  for (uint32_t p : data) count += p == rgb;
  return count;
}

Pixels CaptureClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  Pixels pixels;
  pixels.width = client.right;
  pixels.height = client.bottom;
  WindowDc screen(window);
  UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = pixels.width;
  info.bmiHeader.biHeight = -pixels.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueGdiObject bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    SelectInDc selected(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, pixels.width, pixels.height, screen.get(), 0, 0, SRCCOPY);
    GdiFlush();
    const auto* raw = static_cast<const uint32_t*>(bits);
    pixels.data.assign(raw, raw + static_cast<size_t>(pixels.width) * pixels.height);
  }
  for (uint32_t& p : pixels.data) p &= 0xFFFFFF;
  return pixels;
}

void SaveBitmap(const Pixels& pixels, const std::string& name) {
  const std::string folder = std::string(ORVANE_BUILD_DIR_WIN) + "\\screenshots\\net";
  std::filesystem::create_directories(folder);
  const int rowBytes = (pixels.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = pixels.width;
  header.biHeight = -pixels.height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + rowBytes * pixels.height;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
  for (int y = 0; y < pixels.height; ++y) {
    std::string row(rowBytes, '\0');
    for (int x = 0; x < pixels.width; ++x) {
      const uint32_t p = pixels.At(x, y);
      row[x * 3] = static_cast<char>(p & 0xFF);
      row[x * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
      row[x * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
    }
    bytes += row;
  }
  WriteBytes(folder + "\\" + name + ".bmp", bytes);
}

void NetWinTest::SetUp() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  RegisterTestClass();
  {
    WindowDc screen(nullptr);
    sx = GetDeviceCaps(screen.get(), LOGPIXELSX) / 96.0f;
    sy = GetDeviceCaps(screen.get(), LOGPIXELSY) / 96.0f;
  }

  window_ = CreateWindowExA(WS_EX_TOPMOST, kClassName, "net test", WS_POPUP | WS_VISIBLE, 0, 0,
                            static_cast<int>(450 * sx), static_cast<int>(320 * sy), nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window_, nullptr);
  ProgressLabel = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 260, 420, 20, window_,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
  ProgressBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 10, 285, 420, 16,
                                window_, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(ProgressBar, PBM_SETRANGE32, 1, 100);
  WizardHandle = window_;
  UpdateWindow(window_);
  PumpMessages();

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  programFolder_ = std::string(temp) + "orvane-net-" + std::to_string(GetCurrentProcessId()) + "\\";
  std::filesystem::create_directories(programFolder_);
  ProgramFolder = programFolder_;
  HostTemplates = {"127.0.1.11", "127.0.1.12", "127.0.1.13"};
  NetworkState = kNetworkIdle;
  ClearAccessLog();
}

void NetWinTest::TearDown() {
  WizardHandle = nullptr;
  ProgressLabel = nullptr;
  ProgressBar = nullptr;
  if (window_) DestroyWindow(window_);
  PumpMessages();
  std::error_code ignored;
  std::filesystem::remove_all(programFolder_, ignored);
}

}  // namespace orvane::net_test
