// What the run is doing now, in the operator's terms, for the window's status line: the phase
// (feeding a sheet, looking for a mark, cutting, waiting for the cutter, paused) and the sheets
// cut against the copies wanted. Derived from the run state; the window only words it.
#pragma once

#include "app/main_window_fields.h"
#include "core/run_context.h"
#include "run/run_engine.h"

namespace orvex {

enum class RunPhase {
  kIdle,
  kFeeding,
  kSeekingFirstMark,
  kSeekingSecondMark,
  kCutting,
  kAwaitingCutter,
  kPaused,
};

struct RunStatus {
  RunPhase phase = RunPhase::kIdle;
  bool edgeSearch = false;   // the marks are the sheet's edges
  bool cutterFound = false;  // the link has a cutter
  int sheetsCut = 0;
  int copiesWanted = 0;  // 0: until the feeder runs out or the operator stops
};

// What the engine is doing, as far as the phase needs it.
struct RunActivity {
  bool running = false;  // Start pressed, the run not ended
  bool paused = false;
  bool busy = false;  // inside a sheet cycle's blocking sequence
};

RunPhase PhaseOf(const RunContext& run, RunActivity activity);
RunStatus DescribeRun(const RunContext& run, const RunEngine& engine,
                      const MainWindowFields& fields);

}  // namespace orvex
