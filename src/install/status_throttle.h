// Status lines of long steps are rewritten at most every 300 ms.
#pragma once

#include <cstdint>

namespace orvane {

inline constexpr uint32_t kStatusIntervalMs = 300;

// True when more than the interval has passed since `last`, both being
// millisecond ticks; the unsigned difference survives the tick's wrap.
constexpr bool StatusUpdateDue(uint32_t now, uint32_t last) {
  return static_cast<uint32_t>(now - last) > kStatusIntervalMs;
}

}  // namespace orvane
