// The geometry and motion of the wait panel shown while the network is
// busy: six dots circling at changing speeds and the elapsed time.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvane {

inline constexpr int kWaitDotCount = 6;
// Red, green, blue, cyan, magenta, yellow as COLORREF values (0x00BBGGRR).
inline constexpr std::array<uint32_t, kWaitDotCount> kWaitDotColours = {
    0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFF00FF, 0x00FFFF};

struct WaitPanelDots {
  std::array<int32_t, kWaitDotCount> angles = {0, 40, 80, 120, 160, 200};
};

// One step of a dot: fastest between 290 and 360 degrees, slowest between
// 200 and 290, so the dots bunch and spread as they turn.
int32_t AdvanceDotAngle(int32_t angle);
void AdvanceDots(WaitPanelDots& dots);

// "12.3s" below a minute, "1n5.2s" from one minute on.
std::string WaitTimeText(uint32_t elapsedMs);

struct PixelRect {
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
};

// The 120 x 120 unit panel a little above the middle of a client area of
// w x h pixels; sx and sy are the screen's pixels per unit.
PixelRect WaitPanelRect(int32_t clientWidth, int32_t clientHeight, double sx, double sy);

// Top-left corner, in panel pixels, of the 10-unit circle of a dot.
struct PixelPoint {
  int32_t x;
  int32_t y;
};
PixelPoint DotCorner(int32_t angleDegrees, double sx, double sy);

}  // namespace orvane
