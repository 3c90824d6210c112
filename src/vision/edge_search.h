// Locating a sheet by its outline instead of printed marks: the side edge in buffer row 400
// and, in the end-of-sheet phase, the end edge in column 320. Both are dark-to-light rises.
#pragma once

#include "core/run_context.h"
#include "vision/camera_frame.h"
#include "vision/mark_search.h"
#include "vision/mark_search_actions.h"

namespace orvex {

inline constexpr int kEdgeSearchAttemptLimit = 35;
// The run phase in which the sheet's end is sought as well.
inline constexpr int kEndOfSheetPhase = 2;

// The search without counting: (edge column, 240) outside the end-of-sheet phase, (edge column,
// end row) in it, (0, 0) when an edge is too weak. A non-standard frame gives (0, 0).
MarkPoint LocateSheetEdge(const CameraFrame& frame, bool endOfSheetPhase);

// The run's edge search: counts the attempt (shared with the mark search), gives up after the
// limit (message, creasing head position, end of the wait, eject) and then searches the frame;
// a find resets the count. Grey values are never inverted here.
MarkPoint FindSheetEdge(const CameraFrame& frame, RunContext& context, MarkSearchActions& actions);

}  // namespace orvex
