// The run's phase as the operator sees it.
#include "app/run_status.h"

namespace orvex {

namespace {
// The sheet has been cut and the run waits for the cutter to report it finished.
constexpr int kAwaitingFinishHold = 10;
}  // namespace

RunPhase PhaseOf(const RunContext& run, RunActivity engine) {
  // A Cut Test is no run, but while its sheet is fed, registered and cut it goes through the
  // same phases.
  const bool active = engine.running || engine.busy || run.waitingForMark != 0;
  if (!active) return RunPhase::kIdle;
  if (engine.running && engine.paused) return RunPhase::kPaused;
  if (run.waitingForMark != 0) {
    return run.runPhase == 2 ? RunPhase::kSeekingSecondMark : RunPhase::kSeekingFirstMark;
  }
  if (engine.busy) {
    // A sheet cycle starts from a finished sheet (or none); the cut runs in the second phase,
    // and the moves between the marks in the first.
    if (run.runPhase == 2) return RunPhase::kCutting;
    if (run.runPhase == 1) return RunPhase::kSeekingSecondMark;
    return RunPhase::kFeeding;
  }
  if (run.detectionHold == kAwaitingFinishHold) return RunPhase::kAwaitingCutter;
  return engine.running ? RunPhase::kFeeding : RunPhase::kIdle;
}

RunStatus DescribeRun(const RunContext& run, const RunEngine& engine,
                      const MainWindowFields& fields) {
  RunStatus status;
  status.phase = PhaseOf(run, {engine.Running(), engine.Paused(), engine.Busy()});
  status.edgeSearch = run.edgeMode != 0;
  status.cutterFound = run.linkState != 0;
  status.sheetsCut = engine.Running() ? engine.Fields().sheet.sheetCount : fields.sheetCount;
  status.copiesWanted = fields.copiesEntered != 0 ? fields.copies : 0;
  return status;
}

}  // namespace orvex
