// The install engine's Win32 tests: the wizard window made in this process,
// fresh folders, a clock under the test's control, and message boxes
// answered from a second thread.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "win/driver/ui_driver.h"

namespace orvane::install_test {

// An empty folder of its own under the system's temporary folder, ending
// in "\"; made afresh on every call.
std::string FreshFolder(const std::string& name);

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// The build folder and the folder of the test package (Windows paths,
// ending in "\").
std::string BuildFolder();
std::string DataFolder();

// Answers every message box of this process from a second thread: the
// answer function gets the box and returns the button to press. The boxes
// seen are kept in order.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::function<int(const driver::MessageBoxInfo&)> answer);
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;
  ~BoxAnswerer();
  std::vector<driver::MessageBoxInfo> boxes() const;

 private:
  void Run();

  std::function<int(const driver::MessageBoxInfo&)> answer_;
  mutable std::mutex mutex_;
  std::vector<driver::MessageBoxInfo> boxes_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The install engine's clock replaced for one scope: every reading moves
// it on by `step` milliseconds (0 keeps it still).
class FakeClock {
 public:
  FakeClock(uint32_t start, uint32_t step);
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;
  ~FakeClock();
};

// Counts and keeps what a control is told: its texts (WM_SETTEXT) and bar
// positions (PBM_SETPOS), through a subclass removed with the object.
class ControlSpy {
 public:
  explicit ControlSpy(HWND control);
  ControlSpy(const ControlSpy&) = delete;
  ControlSpy& operator=(const ControlSpy&) = delete;
  ~ControlSpy();
  std::vector<std::string> texts;
  std::vector<int> positions;

 private:
  HWND control_;
};

// Every test gets the wizard window (hidden, its start timer stopped) and
// starts with the flags at rest.
class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace orvane::install_test
