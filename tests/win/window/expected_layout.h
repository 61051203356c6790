// What the wizard's geometry must be on this screen, from the unit table.
#pragma once

#include <windows.h>

#include "wizard/layout.h"

namespace orvane::testing {

struct ScreenScale {
  int logPixelsX;
  int logPixelsY;
  float x() const { return static_cast<float>(logPixelsX) / 96.0f; }
  float y() const { return static_cast<float>(logPixelsY) / 96.0f; }
};

ScreenScale MeasureScreen();

// The expected outer rectangle of the wizard on the primary screen.
RECT ExpectedWizardRect(const ScreenScale& scale);

}  // namespace orvane::testing
