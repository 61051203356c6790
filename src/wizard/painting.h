// Painting of the wizard's pages: the caption and banner pictures made once
// at creation, and the WM_PAINT handler that shows the page's controls and
// paints the whole surface in one transfer.
#pragma once

#include <windows.h>

namespace orvane {

void SetUpWizardPictures(HWND window);  // caption + banner canvases, on WM_CREATE
LRESULT PaintWizard(HWND window);       // WM_PAINT: controls per page + the page, one BitBlt
void ReleaseWizardPictures();           // on WM_DESTROY

}  // namespace orvane
