// Finding a black square registration mark in one camera frame: a grey histogram per column
// gives a threshold between paper and mark, a run scan gives the mark's top and height, the
// consistent columns are combined, and 21 rows locate its left and right edges. Also the
// search's attempt count and its time-out.
#pragma once

#include "core/run_context.h"
#include "vision/camera_frame.h"
#include "vision/mark_search_actions.h"

namespace orvex {

// A search result in buffer pixels; (0, 0) means nothing was found.
struct MarkPoint {
  float col = 0.0F;
  float row = 0.0F;
  bool Found() const { return col != 0.0F && row != 0.0F; }
};

struct ColumnRecord {
  int threshold = 0;  // 0 when the column does not qualify
  int top = 0;        // buffer row where the dark run begins
  int length = 0;     // rows of the dark run, 0 when it did not end inside the scan
  int column = 0;
};

// Analyses at most this many consecutive misses; the next analysis gives up first.
inline constexpr int kMarkSearchAttemptLimit = 65;

// The search itself, without counting: the mark's centre or (0, 0). A frame that is not a
// complete 640x480 frame is never read and gives (0, 0).
MarkPoint LocateMark(const CameraFrame& frame, bool inverted);

// The run's search: counts the attempt in `searchAttempts`, gives up after the limit (feeder
// notice and close, the message, end of the wait, eject, and the run's end after more than one
// sheet), then searches this frame; a find resets the count. A calibration read
// (`calibrationRead` set) searches inverted and never carries out the run's time-out actions.
MarkPoint FindMark(const CameraFrame& frame, RunContext& context, MarkSearchActions& actions);

}  // namespace orvex
