// A stand-in wizard window for the network tests under Wine: it carries the
// progress label and bar, routes WM_DOWNLOAD_PROGRESS to
// OnDownloadProgress like the wizard does, and is WizardHandle meanwhile.
// nginx (net-servers.sh) serves DIR/www10 .. DIR/www13 on 127.0.1.10-13.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvane::net_test {

// The servers' folder as a Windows path, ending in "\".
std::string ServerFolder();
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// Lines of the servers' access log ("address request").
std::vector<std::string> AccessLog();
void ClearAccessLog();

// Answers the first message box of this thread from a thread timer, so it
// works inside the wait loop: records its text and caption, presses OK.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer();
  ~MessageBoxAnswerer();
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;
  int seen() const;
  std::string text() const;
  std::string caption() const;

 private:
  UINT_PTR timer_ = 0;
};

// Runs `action` once, `delayMs` after creation, from a thread timer.
class OneShot {
 public:
  OneShot(int delayMs, std::function<void()> action);
  ~OneShot();
  OneShot(const OneShot&) = delete;
  OneShot& operator=(const OneShot&) = delete;

 private:
  UINT_PTR timer_ = 0;
};

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> data;  // 0x00RRGGBB, top-down
  uint32_t At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
  int Count(uint32_t rgb) const;
};
// What the screen shows of a window's client area.
Pixels CaptureClient(HWND window);
// Saves a 24-bit BMP under the build folder's screenshots/net.
void SaveBitmap(const Pixels& pixels, const std::string& name);

class NetWinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  HWND window_ = nullptr;
  std::string programFolder_;
};

}  // namespace orvane::net_test
