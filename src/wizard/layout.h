// Geometry of the wizard in 1/96-inch units and its scaling to pixels.
#pragma once

#include <array>
#include <cstdint>

namespace orvane {

inline constexpr int kWizardWidthUnits = 450;
inline constexpr int kWizardHeightUnits = 320;

// A unit value times a scale factor, in single precision, rounded to the
// nearest integer with halves to the even neighbour.
int ScaleUnits(float units, float factor);

// Height of a font of `points` in logical units for the screen's
// LOGPIXELSX/LOGPIXELSY (9 points at 96 DPI: -12).
int FontHeightForPoints(int points, int logPixelsX, int logPixelsY);

// Top-left corner of a window of the given size centred on the screen.
struct Point {
  int x;
  int y;
};
Point CentreOnScreen(int width, int height, int screenWidth, int screenHeight);

struct ControlSpec {
  const char* handleName;  // the handle variable, for readers and tests
  const char* className;
  int id;
  const char* caption;
  int x, y, width, height;  // units
  uint32_t styles;          // WS_CHILD and WS_VISIBLE included
  uint32_t exStyles;
};

// The ten controls in creation order. Style values are the Windows
// constants, spelled out so the table stays portable.
const std::array<ControlSpec, 10>& WizardControlTable();

struct PixelRect {
  int x, y, width, height;
};
PixelRect ScaleControl(const ControlSpec& spec, float factorX, float factorY);

}  // namespace orvane
