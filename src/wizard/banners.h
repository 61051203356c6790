// The two banner pictures, decoded once from the program's resources.
#pragma once

#include <windows.h>

#include "wizard/painting_canvas.h"

namespace orvane {

inline constexpr const char* kSideBannerResource = "IMAGE_2";    // GIF 120 x 250
inline constexpr const char* kTopBannerResource = "IMAGE_DING";  // JPEG 451 x 53

// Decodes the RT_RCDATA resource `name` of `module` with GDI+ into a canvas
// of the picture's natural size. A missing or undecodable resource gives an
// empty canvas.
Canvas DecodeBannerResource(HMODULE module, const char* name);

}  // namespace orvane
