// Status lines of long steps are rewritten at most every 300 ms; the
// extraction's bar moves at most every 40 ms.
#pragma once

#include <cstdint>

namespace orvane {

inline constexpr uint32_t kStatusIntervalMs = 300;

// True when more than the interval has passed since `last`, both being
// millisecond ticks; the unsigned difference survives the tick's wrap.
constexpr bool StatusUpdateDue(uint32_t now, uint32_t last) {
  return static_cast<uint32_t>(now - last) > kStatusIntervalMs;
}

// Each move of a shown progress bar is a synchronous repaint: moving it for
// every block the archiver writes made extraction several times slower than
// the unpacking itself. Within a file the bar moves to a new position at
// most every 40 ms (faster than the eye follows it), and always to 100.
inline constexpr uint32_t kBarIntervalMs = 40;

constexpr bool BarMoveDue(int position, int shown, uint32_t now, uint32_t lastMove) {
  if (position == shown) return false;
  return position == 100 || static_cast<uint32_t>(now - lastMove) >= kBarIntervalMs;
}

}  // namespace orvane
