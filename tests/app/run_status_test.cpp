// The status line's phase from the run's state: each row is a moment of a sheet's life.
#include "app/run_status.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

struct Moment {
  const char* name;
  RunActivity activity;
  int runPhase;
  int waitingForMark;
  int detectionHold;
  RunPhase expected;
};

class RunPhaseTest : public ::testing::TestWithParam<Moment> {};

TEST_P(RunPhaseTest, NamesWhatTheMachineIsDoing) {
  const Moment& m = GetParam();
  RunContext run;
  run.runPhase = m.runPhase;
  run.waitingForMark = m.waitingForMark;
  run.detectionHold = m.detectionHold;
  EXPECT_EQ(PhaseOf(run, m.activity), m.expected);
}

constexpr RunActivity kIdle{false, false, false};
constexpr RunActivity kRunning{true, false, false};
constexpr RunActivity kInSequence{true, false, true};

INSTANTIATE_TEST_SUITE_P(
    SheetLife, RunPhaseTest,
    ::testing::Values(
        Moment{"NothingRunning", kIdle, 0, 0, 0, RunPhase::kIdle},
        Moment{"FeederBringsTheSheet", kInSequence, -1, 0, 0, RunPhase::kFeeding},
        Moment{"CameraOverTheFirstMark", kRunning, 1, 1, 0, RunPhase::kSeekingFirstMark},
        Moment{"HeadMovesToTheSecondMark", kInSequence, 1, 0, 0, RunPhase::kSeekingSecondMark},
        Moment{"CameraOverTheSecondMark", kRunning, 2, 1, 0, RunPhase::kSeekingSecondMark},
        Moment{"JobStreamsToTheCutter", kInSequence, 2, 0, 0, RunPhase::kCutting},
        Moment{"CutterFinishesTheSheet", kRunning, -1, 0, 10, RunPhase::kAwaitingCutter},
        Moment{"PausedBetweenSheets", RunActivity{true, true, false}, -1, 0, 0, RunPhase::kPaused},
        // A Cut Test's sheet is registered outside a run, and says so.
        Moment{"CutTestRegisters", kIdle, 1, 1, 0, RunPhase::kSeekingFirstMark}),
    [](const ::testing::TestParamInfo<Moment>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvex
