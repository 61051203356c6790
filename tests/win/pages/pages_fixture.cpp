#include "win/pages/pages_fixture.h"

#include <commctrl.h>

#include "base/win/gdiplus_flat.h"
#include "net/network_state.h"
#include "package/package_info.h"
#include "startup/process_values.h"
#include "win/driver/ui_driver.h"
#include "wizard/layout.h"
#include "wizard/page_state.h"
#include "wizard/wizard_controls_internal.h"
#include "wizard/wizard_window.h"

extern "C" int WINAPI GdipCreateBitmapFromFile(const WCHAR* file, void** bitmap);

namespace orvane::pages_test {
namespace {

// GDI+ for the whole run, as the program starts it; the banner decode nests
// its own start-up inside.
class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    SetProcessDPIAware();
    const GdiplusStartupInputFlat input{1, nullptr, FALSE, FALSE};
    GdiplusStartup(&token_, &input, nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), 0x7FFF};
    InitCommonControlsEx(&icc);
  }
  void TearDown() override {
    for (const auto& work : EndOfRunWork()) work();
    GdiplusShutdown(token_);
  }
  static std::vector<std::function<void()>>& EndOfRunWork() {
    static std::vector<std::function<void()>> work;
    return work;
  }

 private:
  ULONG_PTR token_ = 0;
};
const auto* const kGdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

constexpr CLSID kPngEncoder = {
    0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
constexpr int kPixelFormat32bppRgb = 0x00022009;

std::function<bool(HWND)> PendingAnswer;
int DialogsSeen = 0;

void CALLBACK AnswerTick(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = driver::FindThreadDialog(GetCurrentThreadId());
  if (!dialog || !PendingAnswer) return;
  ++DialogsSeen;
  if (PendingAnswer(dialog)) PendingAnswer = nullptr;
}

// The wizard as CreateWizard makes it, without the modal loop: the class
// with the wizard's procedure, the window styles and size.
HWND CreateTestWizard() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExA(instance, kWizardClassName, &existing)) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &WizardWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kWizardClassName;
    if (!RegisterClassExA(&wc)) return nullptr;
  }
  const int width = ScaleUnits(kWizardWidthUnits, WindowScaleX());
  const int height = ScaleUnits(kWizardHeightUnits, WindowScaleY());
  return CreateWindowExA(
      WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE | WS_EX_TOPMOST, kWizardClassName, "",
      WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 40,
      40, width, height, nullptr, nullptr, instance, nullptr);
}

void DrainMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_QUIT) DispatchMessageA(&message);
  }
}

}  // namespace

uint32_t SystemRgb(int index) {
  const COLORREF c = GetSysColor(index);
  return Rgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

BITMAPINFO TopDownBitmapInfo(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

Pixels CaptureClient(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  Pixels pixels;
  pixels.width = client.right;
  pixels.height = client.bottom;
  pixels.data.resize(static_cast<size_t>(pixels.width) * pixels.height);

  BITMAPINFO info = TopDownBitmapInfo(pixels.width, pixels.height);
  void* bits = nullptr;
  HDC windowDc = GetDC(window);
  HBITMAP section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = CreateCompatibleDC(windowDc);
  HGDIOBJ old = SelectObject(memory, section);
  BitBlt(memory, 0, 0, pixels.width, pixels.height, windowDc, 0, 0, SRCCOPY);
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < pixels.data.size(); ++i) pixels.data[i] = source[i] & 0x00FFFFFF;
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(section);
  ReleaseDC(window, windowDc);
  return pixels;
}

std::string SaveScreenshot(const Pixels& pixels, const std::string& name) {
  const std::string folder = std::string(ORVANE_BUILD_DIR_WIN) + "\\screenshots";
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string pages = folder + "\\pages";
  CreateDirectoryA(pages.c_str(), nullptr);
  const std::string path = pages + "\\" + name + ".png";
  std::wstring wide(path.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size())) -
      1));
  std::vector<uint32_t> copy = pixels.data;
  void* bitmap = nullptr;
  if (GdipCreateBitmapFromScan0(pixels.width, pixels.height, pixels.width * 4, kPixelFormat32bppRgb,
                                reinterpret_cast<BYTE*>(copy.data()), &bitmap) != 0) {
    return {};
  }
  const int status = GdipSaveImageToFile(bitmap, wide.c_str(), &kPngEncoder, nullptr);
  GdipDisposeImage(bitmap);
  return status == 0 ? path : std::string();
}

void AtEndOfRun(std::function<void()> work) {
  GdiplusEnvironment::EndOfRunWork().push_back(std::move(work));
}

Pixels LoadPng(const std::string& path) {
  Pixels pixels;
  std::wstring wide(path.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), static_cast<int>(wide.size())) -
      1));
  void* bitmap = nullptr;
  if (GdipCreateBitmapFromFile(wide.c_str(), &bitmap) != 0) return pixels;
  HBITMAP handle = nullptr;
  const int made = GdipCreateHBITMAPFromBitmap(bitmap, &handle, 0);
  GdipDisposeImage(bitmap);
  if (made != 0) return pixels;
  BITMAP shape{};
  GetObjectA(handle, sizeof shape, &shape);
  BITMAPINFO info = TopDownBitmapInfo(shape.bmWidth, shape.bmHeight);
  pixels.width = shape.bmWidth;
  pixels.height = shape.bmHeight;
  pixels.data.resize(static_cast<size_t>(pixels.width) * pixels.height);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, handle, 0, static_cast<UINT>(pixels.height), pixels.data.data(), &info,
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(handle);
  for (uint32_t& pixel : pixels.data) pixel &= 0x00FFFFFF;
  return pixels;
}

DialogAnswerer::DialogAnswerer(std::function<bool(HWND)> answer) {
  PendingAnswer = std::move(answer);
  DialogsSeen = 0;
  timer_ = SetTimer(nullptr, 0, 20, &AnswerTick);
}

DialogAnswerer::~DialogAnswerer() {
  KillTimer(nullptr, timer_);
  PendingAnswer = nullptr;
}

int DialogAnswerer::dialogsSeen() const {
  return DialogsSeen;
}

std::string WindowTextOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string DialogText(HWND dialog) {
  return WindowTextOf(GetDlgItem(dialog, 0xFFFF));
}

void PressButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void WizardPagesTest::SetUp() {
  InstallPage = WizardPage::Welcome;
  NetworkState.store(0);
  BusyPhase = 0;
  AbortFlag = 0;
  GameRequired = 0;
  PackageInfo = PackageRecord{};
  PackageInfo.name = "图片工具";
  PackageInfo.fileName = "tools.exe";
  PackageInfo.description = "图片工具V2";
  PackageFilePath = "C:\\Orvane\\tools.7z";
  TitleText = "Orvane图片工具";
  VersionText = "版本：2.0.1.5  日期：2026-11-30";
  PageHeading.clear();
  PageSubheading.clear();
  window_ = CreateTestWizard();
  ASSERT_TRUE(window_);
  // The package loading of the start timer is not part of these tests.
  KillTimer(window_, kStartTimerId);
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  Settle();
}

void WizardPagesTest::TearDown() {
  if (IsWindow(window_)) DestroyWindow(window_);
  // WM_DESTROY posts the quit message; take it so the next test starts clean.
  DrainMessages();
}

void WizardPagesTest::ShowPage(int page) {
  InstallPage = static_cast<WizardPage>(page);
  RepaintWizard(window_);
  Settle();
}

void WizardPagesTest::Settle() {
  // The controls paint themselves after the wizard; let every pending
  // paint through before the pixels are read.
  for (int round = 0; round < 3; ++round) {
    DrainMessages();
    RedrawWindow(window_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  GdiFlush();
}

}  // namespace orvane::pages_test
