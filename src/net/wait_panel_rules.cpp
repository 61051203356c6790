#include "net/wait_panel_rules.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "base/number.h"

namespace orvane {

namespace {
int32_t Round(double value) {
  return static_cast<int32_t>(RoundHalfEven(value));
}
}  // namespace

int32_t AdvanceDotAngle(int32_t angle) {
  if (angle < 110) {
    angle += 3;
  } else if (angle < 200) {
    angle += 2;
  } else if (angle < 290) {
    angle += 1;
  } else {
    angle += 4;
  }
  if (angle > 360) angle -= 360;
  return angle;
}

void AdvanceDots(WaitPanelDots& dots) {
  for (int32_t& angle : dots.angles) angle = AdvanceDotAngle(angle);
}

std::string WaitTimeText(uint32_t elapsedMs) {
  const int64_t tenths = RoundHalfEven(elapsedMs / 100.0);
  char text[48];
  if (tenths >= 600) {
    std::snprintf(text, sizeof text, "%lldn%.1fs", static_cast<long long>(tenths / 600),
                  static_cast<double>(tenths % 600) / 10.0);
  } else {
    std::snprintf(text, sizeof text, "%.1fs", static_cast<double>(tenths) / 10.0);
  }
  return text;
}

PixelRect WaitPanelRect(int32_t clientWidth, int32_t clientHeight, double sx, double sy) {
  return PixelRect{Round(clientWidth / 2 - 60 * sx), Round(clientHeight / 2 - 80 * sy),
                   Round(120 * sx), Round(120 * sy)};
}

PixelPoint DotCorner(int32_t angleDegrees, double sx, double sy) {
  const double radians = angleDegrees * std::numbers::pi / 180.0;
  const int32_t centreX = Round(60 + 55 * std::cos(radians));
  const int32_t centreY = Round(60 + 55 * std::sin(radians));
  return PixelPoint{Round((centreX - 5) * sx), Round((centreY - 5) * sy)};
}

}  // namespace orvane
