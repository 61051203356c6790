// Painting of the wizard's pages: the caption and banner pictures made once
// at creation, and the WM_PAINT handler that shows the page's controls and
// paints the whole surface in one transfer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace orvane {

void SetUpWizardPictures(HWND window);  // caption + banner canvases, on WM_CREATE
LRESULT PaintWizard(HWND window);       // WM_PAINT: controls per page + the page, one BitBlt
void ReleaseWizardPictures();           // on WM_DESTROY

// A text as the last paint drew it: its box in client pixels, from the
// extent measured with its font.
struct PaintedText {
  std::string text;
  int x, y, width, height;
};
// The texts of the last paint in drawing order, for checks of the layout.
const std::vector<PaintedText>& LastPaintedTexts();

}  // namespace orvane
