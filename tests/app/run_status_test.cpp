// The status line's phase from the run's state: each row is a moment of a sheet's life.
#include "app/run_status.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

TEST(RunPhaseTest, NamesWhatTheMachineIsDoingAtEachMomentOfASheet) {
  constexpr RunActivity kIdle{false, false, false}, kRunning{true, false, false};
  constexpr RunActivity kInSequence{true, false, true}, kPaused{true, true, false};
  struct Moment {
    const char* name;
    RunActivity activity;
    int runPhase, waitingForMark, detectionHold;
    RunPhase expected;
  };
  const Moment moments[] = {
      {"nothing running", kIdle, 0, 0, 0, RunPhase::kIdle},
      {"feeder brings the sheet", kInSequence, -1, 0, 0, RunPhase::kFeeding},
      {"camera over the first mark", kRunning, 1, 1, 0, RunPhase::kSeekingFirstMark},
      {"head moves to the second mark", kInSequence, 1, 0, 0, RunPhase::kSeekingSecondMark},
      {"camera over the second mark", kRunning, 2, 1, 0, RunPhase::kSeekingSecondMark},
      {"job streams to the cutter", kInSequence, 2, 0, 0, RunPhase::kCutting},
      {"cutter finishes the sheet", kRunning, -1, 0, 10, RunPhase::kAwaitingCutter},
      {"paused between sheets", kPaused, -1, 0, 0, RunPhase::kPaused},
      {"a Cut Test's sheet is registered outside a run", kIdle, 1, 1, 0,
       RunPhase::kSeekingFirstMark}};
  for (const Moment& m : moments) {
    RunContext run;
    run.runPhase = m.runPhase;
    run.waitingForMark = m.waitingForMark;
    run.detectionHold = m.detectionHold;
    EXPECT_EQ(PhaseOf(run, m.activity), m.expected) << m.name;
  }
}

}  // namespace
}  // namespace orvex
