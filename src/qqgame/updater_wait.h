// The two waits for the game platform's updater, with the progress counter
// that runs on across both and the wizard that may be closed meanwhile.
// The window, clock and bar come from a host, so the rules run anywhere.
#pragma once

#include <cstdint>

namespace orvane {

inline constexpr int32_t kUpdaterCounterFirst = 1;
inline constexpr int32_t kUpdaterCounterLast = 100;
inline constexpr uint32_t kUpdaterPollMs = 30;
// The pause that lets the updater release the game's files.
inline constexpr uint32_t kAfterUpdaterPauseMs = 3000;

struct UpdaterWaitLimits {
  uint32_t appearMs = 10000;   // for the updater's window to show
  uint32_t finishMs = 180000;  // for it to go away again
};

// 1, 2, ..., 100, then 1 again.
int32_t NextUpdaterCounter(int32_t counter);

// Milliseconds from `start` to `now` of a 32-bit clock that may wrap.
constexpr uint32_t ElapsedMs(uint32_t start, uint32_t now) {
  return now - start;
}

// True once more than `limitMs` have passed since `start`.
constexpr bool WaitTimeUp(uint32_t start, uint32_t now, uint32_t limitMs) {
  return ElapsedMs(start, now) > limitMs;
}

class UpdaterWaitHost {
 public:
  virtual ~UpdaterWaitHost() = default;
  // Looks for the updater's window and remembers it when found.
  virtual bool FindUpdaterWindow() = 0;
  // True while the remembered window still exists; false when none was found.
  virtual bool UpdaterWindowOpen() = 0;
  // The label of the second wait.
  virtual void ShowUpdating() = 0;
  virtual void ShowCounter(int32_t position) = 0;
  // Waits while the wizard keeps dispatching its messages.
  virtual void Pump(uint32_t milliseconds) = 0;
  virtual uint32_t NowMs() = 0;
  virtual bool WizardOpen() = 0;
};

enum class UpdaterWaitEnd {
  Done,          // go on with the copy
  WizardClosed,  // the user closed the wizard: the program must end
};

// The wait for the updater to show, the wait for it to finish, and the
// pause after it. The user closing the wizard is noticed after every
// step of the waits and after the pause.
UpdaterWaitEnd RunUpdaterWaits(UpdaterWaitHost& host, const UpdaterWaitLimits& limits);

}  // namespace orvane
