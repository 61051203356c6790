// The millisecond clock behind the status-line throttles of extraction and
// copy. It is a seam: tests put a clock of their own in place.
#pragma once

#include <cstdint>

namespace orvane {

using TickSource = uint32_t (*)();

// timeGetTime unless replaced.
extern TickSource InstallTicks;

uint32_t SystemTicks();

}  // namespace orvane
