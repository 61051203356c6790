// A small product of the studio's, used as the package the demo and the
// end-to-end tests install. It records how it was started (its path, the
// working folder and the command line) in "started.txt" beside itself,
// then shows a window until it is closed, or for --seconds N.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr const char* kClassName = "OrvaneSampleProduct";

LRESULT CALLBACK SampleWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT r;
      GetClientRect(window, &r);
      const char* text = "Orvane 示例软件已经安装并启动。";
      DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void RecordStart() {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  std::string record = self;
  const size_t slash = record.find_last_of('\\');
  record = (slash == std::string::npos ? std::string() : record.substr(0, slash + 1)) +
           "started.txt";
  if (FILE* f = std::fopen(record.c_str(), "wb")) {
    std::fprintf(f, "exe=%s\r\ncwd=%s\r\ncommand=%s\r\n", self, cwd, GetCommandLineA());
    std::fclose(f);
  }
}

}  // namespace

int main(int argc, char** argv) {
  RecordStart();
  int seconds = 0;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atoi(argv[i + 1]);
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = &SampleWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, kClassName, "Orvane 示例软件", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                CW_USEDEFAULT, CW_USEDEFAULT, 360, 160, nullptr, nullptr,
                                wc.hInstance, nullptr);
  if (!window) return 1;
  if (seconds > 0) SetTimer(window, 1, static_cast<UINT>(seconds) * 1000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
