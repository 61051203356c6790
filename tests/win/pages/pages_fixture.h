// The wizard window made in this test process, with helpers to capture
// its pixels, save them as PNG files and answer the modal dialogs that the
// page actions open.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvane::pages_test {

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> data;  // 0x00RRGGBB, top-down
  uint32_t At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};

constexpr uint32_t Rgb(int r, int g, int b) {
  return static_cast<uint32_t>((r << 16) | (g << 8) | b);
}
// A system colour as 0x00RRGGBB.
uint32_t SystemRgb(int index);

// The client area as it is on screen.
Pixels CaptureClient(HWND window);
// Writes a PNG through GDI+ into the build folder's screenshots/pages and
// answers the Windows path written.
std::string SaveScreenshot(const Pixels& pixels, const std::string& name);

// Work to do at the end of the run while GDI+ is still started (such as
// saving pictures made of several tests' screenshots).
void AtEndOfRun(std::function<void()> work);

// A 32-bit top-down bitmap of the given size, as Pixels holds them.
BITMAPINFO TopDownBitmapInfo(int width, int height);

// A PNG file's pixels; empty when it cannot be read.
Pixels LoadPng(const std::string& path);

// Dots per inch of the screen this test runs on.
int ScreenDpi();

// Runs `answer` on the first visible dialog (#32770) of this thread once it
// appears, from a thread timer, so it works inside any modal loop. The
// answer returns true when it is done with the dialog.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(std::function<bool(HWND)> answer);
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  ~DialogAnswerer();
  int dialogsSeen() const;

 private:
  UINT_PTR timer_ = 0;
};

// The texts of a message box and a way to press one of its buttons.
std::string DialogText(HWND dialog);  // the message static (id 0xFFFF)
std::string WindowTextOf(HWND window);
void PressButton(HWND dialog, int id);

class WizardPagesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Sets the page and repaints at once, then lets the controls paint.
  void ShowPage(int page);
  void Settle();

  HWND window_ = nullptr;
};

}  // namespace orvane::pages_test
