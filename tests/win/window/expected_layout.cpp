#include "win/window/expected_layout.h"

namespace orvane::testing {

ScreenScale MeasureScreen() {
  HDC screen = GetDC(nullptr);
  ScreenScale scale{GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
  ReleaseDC(nullptr, screen);
  return scale;
}

RECT ExpectedWizardRect(const ScreenScale& scale) {
  const int width = ScaleUnits(kWizardWidthUnits, scale.x());
  const int height = ScaleUnits(kWizardHeightUnits, scale.y());
  const Point at =
      CentreOnScreen(width, height, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  return {at.x, at.y, at.x + width, at.y + height};
}

}  // namespace orvane::testing
