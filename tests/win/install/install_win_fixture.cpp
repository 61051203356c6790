#include "win/install/install_win_fixture.h"

#include <commctrl.h>

#include "install/install_clock.h"
#include "startup/process_values.h"
#include "wizard/page_state.h"
#include "wizard/wizard_controls_internal.h"
#include "wizard/wizard_window.h"

namespace orvane::install_test {
namespace {

class CommonControlsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), 0x7FFF};
    InitCommonControlsEx(&icc);
  }
};
const auto* const kCommonControls =
    ::testing::AddGlobalTestEnvironment(new CommonControlsEnvironment);

uint32_t FakeNow = 0;
uint32_t FakeStep = 0;
uint32_t FakeTicks() {
  const uint32_t now = FakeNow;
  FakeNow += FakeStep;
  return now;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + "\\");
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(folder.c_str());
}

constexpr UINT_PTR kSpyId = 0x5157;

LRESULT CALLBACK SpyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                         DWORD_PTR data) {
  auto* spy = reinterpret_cast<ControlSpy*>(data);
  if (message == WM_SETTEXT && lParam)
    spy->texts.emplace_back(reinterpret_cast<const char*>(lParam));
  if (message == PBM_SETPOS) spy->positions.push_back(static_cast<int>(wParam));
  return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

std::string FreshFolder(const std::string& name) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  std::string root = std::string(temp) + "orvane-install-tests\\";
  CreateDirectoryA(root.c_str(), nullptr);
  const std::string folder = root + name + "\\";
  RemoveTree(folder);
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadBytes(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string BuildFolder() {
  return std::string(ORVANE_BUILD_DIR_WIN) + "\\";
}

std::string DataFolder() {
  return std::string(ORVANE_INSTALL_DATA_DIR_WIN) + "\\";
}

BoxAnswerer::BoxAnswerer(std::function<int(const driver::MessageBoxInfo&)> answer)
    : answer_(std::move(answer)), thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() {
  stop_ = true;
  thread_.join();
}

std::vector<driver::MessageBoxInfo> BoxAnswerer::boxes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxes_;
}

void BoxAnswerer::Run() {
  const DWORD self = GetCurrentProcessId();
  while (!stop_) {
    driver::MessageBoxInfo box;
    if (!driver::WaitForMessageBox(self, 50, &box)) continue;
    // A box may be seen between its creation and its texts being set.
    for (int i = 0; i < 200 && box.text.empty() && IsWindow(box.window); ++i) {
      Sleep(10);
      driver::WaitForMessageBox(self, 50, &box);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      boxes_.push_back(box);
    }
    driver::PressMessageBoxButton(box, answer_(box));
    driver::WaitForWindowGone(box.window, 10000);
  }
}

FakeClock::FakeClock(uint32_t start, uint32_t step) {
  FakeNow = start;
  FakeStep = step;
  InstallTicks = &FakeTicks;
}

FakeClock::~FakeClock() {
  InstallTicks = &SystemTicks;
}

ControlSpy::ControlSpy(HWND control) : control_(control) {
  SetWindowSubclass(control_, &SpyProc, kSpyId, reinterpret_cast<DWORD_PTR>(this));
}

ControlSpy::~ControlSpy() {
  RemoveWindowSubclass(control_, &SpyProc, kSpyId);
}

void WizardTest::SetUp() {
  if (!IsWindow(WizardHandle)) {
    HWND window = CreateWizardWindow(nullptr, 0);
    ASSERT_TRUE(window);
    WizardHandle = window;
  }
  KillTimer(WizardHandle, kStartTimerId);
  AbortFlag = 0;
  BusyPhase = 0;
  InstallPage = WizardPage::TargetFolder;
}

void WizardTest::TearDown() {
  AbortFlag = 0;
  BusyPhase = 0;
}

}  // namespace orvane::install_test
