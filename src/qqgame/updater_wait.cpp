#include "qqgame/updater_wait.h"

namespace orvane {

int32_t NextUpdaterCounter(int32_t counter) {
  return counter >= kUpdaterCounterLast ? kUpdaterCounterFirst : counter + 1;
}

UpdaterWaitEnd RunUpdaterWaits(UpdaterWaitHost& host, const UpdaterWaitLimits& limits) {
  int32_t counter = kUpdaterCounterFirst;

  uint32_t start = host.NowMs();
  while (!host.FindUpdaterWindow()) {
    host.Pump(kUpdaterPollMs);
    host.ShowCounter(counter);
    counter = NextUpdaterCounter(counter);
    // A close in the last round must still end the program, so the
    // wizard is looked at before the time.
    if (!host.WizardOpen()) return UpdaterWaitEnd::WizardClosed;
    if (WaitTimeUp(start, host.NowMs(), limits.appearMs)) break;
  }

  host.ShowUpdating();
  start = host.NowMs();
  while (host.UpdaterWindowOpen()) {
    host.ShowCounter(counter);
    host.Pump(kUpdaterPollMs);
    counter = NextUpdaterCounter(counter);
    if (!host.WizardOpen()) return UpdaterWaitEnd::WizardClosed;
    if (WaitTimeUp(start, host.NowMs(), limits.finishMs)) break;
  }

  host.Pump(kAfterUpdaterPauseMs);
  if (!host.WizardOpen()) return UpdaterWaitEnd::WizardClosed;
  return UpdaterWaitEnd::Done;
}

}  // namespace orvane
