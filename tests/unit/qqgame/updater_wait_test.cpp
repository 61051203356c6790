#include "qqgame/updater_wait.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace orvane {
namespace {

// A scripted platform: a clock that moves only when the wizard pumps, an
// updater window that appears and goes at set clock times, and a wizard
// that the user may close at a set time.
class ScriptedHost : public UpdaterWaitHost {
 public:
  explicit ScriptedHost(uint32_t startMs) : now_(startMs), start_(startMs) {}

  std::optional<uint32_t> updaterShowsAfter;  // ms after the start
  std::optional<uint32_t> updaterClosesAfter;
  std::optional<uint32_t> wizardClosedAfter;

  std::vector<int32_t> positions;
  std::vector<uint32_t> pumps;
  size_t positionsBeforeUpdating = 0;
  bool updatingShown = false;

  bool FindUpdaterWindow() override {
    found_ = updaterShowsAfter && Since() >= *updaterShowsAfter &&
             !(updaterClosesAfter && Since() >= *updaterClosesAfter);
    return found_;
  }
  bool UpdaterWindowOpen() override {
    return found_ && !(updaterClosesAfter && Since() >= *updaterClosesAfter);
  }
  void ShowUpdating() override {
    updatingShown = true;
    positionsBeforeUpdating = positions.size();
  }
  void ShowCounter(int32_t position) override { positions.push_back(position); }
  void Pump(uint32_t milliseconds) override {
    pumps.push_back(milliseconds);
    now_ += milliseconds;
  }
  uint32_t NowMs() override { return now_; }
  bool WizardOpen() override { return !(wizardClosedAfter && Since() >= *wizardClosedAfter); }

  uint32_t Since() const { return now_ - start_; }

 private:
  uint32_t now_;
  uint32_t start_;
  bool found_ = false;
};

void ExpectCounterSequence(const std::vector<int32_t>& positions) {
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.front(), kUpdaterCounterFirst);
  for (size_t i = 1; i < positions.size(); ++i) {
    ASSERT_EQ(positions[i], NextUpdaterCounter(positions[i - 1])) << "at " << i;
  }
}

TEST(UpdaterCounter, RunsOneToHundredThenStartsAgain) {
  EXPECT_EQ(NextUpdaterCounter(1), 2);
  EXPECT_EQ(NextUpdaterCounter(99), 100);
  EXPECT_EQ(NextUpdaterCounter(100), 1);
}

TEST(UpdaterClock, ElapsedTimeSurvivesTheWrapOfTheClock) {
  EXPECT_EQ(ElapsedMs(0xFFFFFF00u, 0x00000100u), 0x200u);
  EXPECT_FALSE(WaitTimeUp(0xFFFFFF00u, 0x00000100u, 10000));
  EXPECT_FALSE(WaitTimeUp(100, 10100, 10000));  // exactly the limit is not past it
  EXPECT_TRUE(WaitTimeUp(100, 10101, 10000));
}

TEST(UpdaterWaits, UpdaterThatNeverShowsCyclesALittleOverTenSeconds) {
  ScriptedHost host(5000);
  EXPECT_EQ(RunUpdaterWaits(host, UpdaterWaitLimits{}), UpdaterWaitEnd::Done);
  // 30 ms rounds until more than 10000 ms have passed: 334 rounds, 10020 ms.
  EXPECT_EQ(host.positionsBeforeUpdating, 334u);
  EXPECT_EQ(host.positions.size(), 334u);  // the second wait ends at once
  EXPECT_TRUE(host.updatingShown);
  ExpectCounterSequence(host.positions);
  EXPECT_EQ(host.pumps.back(), kAfterUpdaterPauseMs);
  EXPECT_EQ(host.Since(), 334u * 30 + kAfterUpdaterPauseMs);
}

TEST(UpdaterWaits, CounterRunsOnAcrossBothWaits) {
  ScriptedHost host(0);
  host.updaterShowsAfter = 2400;  // after 80 rounds
  host.updaterClosesAfter = 2400 + 3000;
  EXPECT_EQ(RunUpdaterWaits(host, UpdaterWaitLimits{}), UpdaterWaitEnd::Done);
  EXPECT_EQ(host.positionsBeforeUpdating, 80u);
  ASSERT_GT(host.positions.size(), 120u);
  // Not reset between the waits: the second goes on from 81 and wraps.
  EXPECT_EQ(host.positions[80], 81);
  ExpectCounterSequence(host.positions);
  EXPECT_EQ(host.positions.size(), 180u);
}

TEST(UpdaterWaits, UpdaterStillOpenAfterTheLimitIsLeftBehind) {
  ScriptedHost host(0);
  host.updaterShowsAfter = 0;
  const UpdaterWaitLimits limits{10000, 180000};
  EXPECT_EQ(RunUpdaterWaits(host, limits), UpdaterWaitEnd::Done);
  EXPECT_EQ(host.positionsBeforeUpdating, 0u);
  // Rounds until more than 180000 ms: 6001 rounds of 30 ms.
  EXPECT_EQ(host.positions.size(), 6001u);
  ExpectCounterSequence(host.positions);
}

TEST(UpdaterWaits, ClockWrapDuringAWaitDoesNotEndItEarly) {
  ScriptedHost host(0xFFFFFFFFu - 1000);
  host.updaterShowsAfter = 0;
  host.updaterClosesAfter = 5000;
  EXPECT_EQ(RunUpdaterWaits(host, UpdaterWaitLimits{10000, 180000}), UpdaterWaitEnd::Done);
  // The updater went away on its own: the wait lasted its 5 s, no less.
  EXPECT_EQ(host.positions.size(), 5000u / 30 + 1);
}

TEST(UpdaterWaits, ClosingTheWizardEndsEveryWait) {
  for (const uint32_t closedAfter : {0u, 1500u, 9990u, 10020u, 12000u, 15000u}) {
    ScriptedHost host(0);
    host.wizardClosedAfter = closedAfter;
    host.updaterShowsAfter = 5000;
    host.updaterClosesAfter = 60000;
    EXPECT_EQ(RunUpdaterWaits(host, UpdaterWaitLimits{}), UpdaterWaitEnd::WizardClosed)
        << closedAfter;
    EXPECT_LE(host.Since(), std::max(closedAfter, 30u) + 30) << closedAfter;
  }
}

TEST(UpdaterWaits, ClosingTheWizardInTheLastRoundOrThePauseStillEndsIt) {
  // Closed exactly when the first wait runs out, with no updater at all.
  ScriptedHost lastRound(0);
  lastRound.wizardClosedAfter = 10020;
  EXPECT_EQ(RunUpdaterWaits(lastRound, UpdaterWaitLimits{}), UpdaterWaitEnd::WizardClosed);
  // Closed during the pause after the updater.
  ScriptedHost pause(0);
  pause.wizardClosedAfter = 10020 + 1000;
  EXPECT_EQ(RunUpdaterWaits(pause, UpdaterWaitLimits{}), UpdaterWaitEnd::WizardClosed);
  EXPECT_EQ(pause.pumps.back(), kAfterUpdaterPauseMs);
}

TEST(UpdaterWaits, ShortenedLimitsShortenOnlyTheWaits) {
  ScriptedHost host(0);
  host.updaterShowsAfter = 0;
  EXPECT_EQ(RunUpdaterWaits(host, UpdaterWaitLimits{300, 600}), UpdaterWaitEnd::Done);
  EXPECT_EQ(host.positions.size(), 21u);
  EXPECT_EQ(host.Since(), 21u * 30 + kAfterUpdaterPauseMs);
}

}  // namespace
}  // namespace orvane
