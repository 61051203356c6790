// A stand-in for the outside game platform, for the game hall tests:
//
//   qq-stand-in hall                      the game hall window "QQ游戏"
//   qq-stand-in manager LAYOUT            the companion window with picture
//                                         boxes as LAYOUT says, one letter
//                                         each: R ThunderRT6PictureBoxDC, P
//                                         ThunderPictureBoxDC, r a titled
//                                         RT6 box; the hall lives in the
//                                         third untitled box of the class the
//                                         install looks at
//   qq-stand-in updater MS RECORD FILE    the updater window, gone after MS
//                                         milliseconds (0: stays); notes FILE
//                                         in RECORD
//   qq-stand-in none RECORD FILE          notes FILE and ends without a window
//   qq-stand-in idle                      a game program with a hidden window
//   qq-stand-in await TITLE MS            ends with 0 once a top-level window
//                                         titled TITLE exists (hidden ones
//                                         count), with 1 after MS milliseconds
//
// The tests copy it under the names and into the folders they need.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr const char* kHallTitle = "QQ游戏";
constexpr const char* kManagerTitle = "Orvane_QQ游戏管理器";
constexpr const char* kUpdaterTitle = "QQ游戏客户端更新";
constexpr const char* kRt6Box = "ThunderRT6PictureBoxDC";
constexpr const char* kOldBox = "ThunderPictureBoxDC";
constexpr UINT_PTR kCloseTimer = 1;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kCloseTimer) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      // Only the top-level window ends the program.
      if (!(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void Register(const char* className) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &StandInProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = className;
  RegisterClassA(&wc);
}

HWND TopLevel(const char* className, const char* title, bool visible) {
  Register(className);
  return CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 20,
                         20, 320, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HWND Child(HWND parent, const char* className, const char* title, int id) {
  return CreateWindowExA(0, className, title, WS_CHILD | WS_VISIBLE, 4 + 50 * (id % 6), 4, 46, 46,
                         parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleA(nullptr), nullptr);
}

int RunLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

void Record(const std::string& recordFile, const std::string& opened) {
  HANDLE file = CreateFileA(recordFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string line = opened + "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

// Lets a script start a stand-in and go on only once its window is up.
int Await(const char* title, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!FindWindowA(nullptr, title)) {
    if (GetTickCount() - start > timeoutMs) return 1;
    Sleep(20);
  }
  return 0;
}

int Manager(const std::string& layout) {
  // Titled once its boxes exist, so a test that sees the title sees them.
  HWND manager = TopLevel("OrvaneStandInManager", "", true);
  Register(kRt6Box);
  Register(kOldBox);
  Register("OrvaneStandInHall");
  std::vector<HWND> rt6;
  std::vector<HWND> old;
  int id = 100;
  for (const char kind : layout) {
    if (kind == 'R') rt6.push_back(Child(manager, kRt6Box, "", id));
    if (kind == 'P') old.push_back(Child(manager, kOldBox, "", id));
    if (kind == 'r') Child(manager, kRt6Box, "box", id);
    ++id;
  }
  HWND container = rt6.size() >= 3 ? rt6[2] : old.size() >= 3 ? old[2] : nullptr;
  if (container) Child(container, "OrvaneStandInHall", kHallTitle, 1);
  SetWindowTextA(manager, kManagerTitle);
  return RunLoop();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "hall") {
    TopLevel("OrvaneStandInHall", kHallTitle, true);
    return RunLoop();
  }
  if (mode == "manager" && argc > 2) return Manager(argv[2]);
  if (mode == "updater" && argc > 4) {
    Record(argv[3], argv[4]);
    HWND updater = TopLevel("OrvaneStandInUpdater", kUpdaterTitle, true);
    const UINT closeAfter = static_cast<UINT>(std::strtoul(argv[2], nullptr, 10));
    if (closeAfter > 0) SetTimer(updater, kCloseTimer, closeAfter, nullptr);
    return RunLoop();
  }
  if (mode == "none" && argc > 3) {
    Record(argv[2], argv[3]);
    return 0;
  }
  if (mode == "await" && argc > 3) {
    return Await(argv[2], static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
  }
  if (mode == "idle") {
    TopLevel("OrvaneStandInGame", "OrvaneStandInGame", false);
    return RunLoop();
  }
  return 2;
}
