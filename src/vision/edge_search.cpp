// Sheet edge search: strongest rise along row 400, and along column 320 at the sheet's end.
#include "vision/edge_search.h"

#include <array>

#include "core/frame_source.h"

namespace orvex {

namespace {

constexpr int kEndColumn = 320;
constexpr int kSideStrength = -200;  // a rise of 67 grey levels or more
constexpr int kEndStrength = -150;   // a rise of 50 grey levels or more
constexpr int kCreasingHeadCross = 110;

struct Rise {
  int at = 0;
  int strength = 0;  // most negative response, 0 when no response was negative
};

// Strongest rise in `values` over indexes [first, last]; the first of equal ones wins. The caller
// guarantees three readable values on each side of the range.
Rise StrongestRise(const int* values, int first, int last) {
  Rise rise;
  for (int i = first; i <= last; ++i) {
    const int d = (values[i - 3] + values[i - 2] + values[i - 1]) -
                  (values[i + 1] + values[i + 2] + values[i + 3]);
    if (d < rise.strength) {
      rise.strength = d;
      rise.at = i;
    }
  }
  return rise;
}

Rise SideRise(const CameraFrame& frame) {
  std::array<int, 600> row{};  // columns 0..599, only 40..599 read
  for (int c = 40; c < 600; ++c) row[static_cast<std::size_t>(c)] = frame.Grey(c, kSideEdgeRow);
  static_assert(589 + 3 < 600);
  return StrongestRise(row.data(), 50, 589);
}

Rise EndRise(const CameraFrame& frame) {
  std::array<int, 461> column{};  // rows 0..460, only 20..460 read
  for (int r = 20; r <= 460; ++r) column[static_cast<std::size_t>(r)] = frame.Grey(kEndColumn, r);
  static_assert(449 + 3 < 461);
  return StrongestRise(column.data(), 30, 449);
}

}  // namespace

MarkPoint LocateSheetEdge(const CameraFrame& frame, bool endOfSheetPhase) {
  if (!frame.IsStandard()) return {};
  const Rise side = SideRise(frame);
  if (side.strength > kSideStrength) return {};
  if (!endOfSheetPhase) return {static_cast<float>(side.at), 240.0F};
  const Rise end = EndRise(frame);
  if (end.strength > kEndStrength) return {};
  return {static_cast<float>(side.at), static_cast<float>(end.at)};
}

MarkPoint FindSheetEdge(const CameraFrame& frame, RunContext& context, MarkSearchActions& actions) {
  const bool endPhase = context.runPhase == kEndOfSheetPhase;
  ++context.searchAttempts;
  if (context.searchAttempts > kEdgeSearchAttemptLimit) {
    actions.ShowInformation(endPhase ? kEndTimeoutMessage : kEdgeTimeoutMessage);
    if (context.creasingVariant != 0) context.headCross = kCreasingHeadCross;
    context.waitingForMark = 0;
    context.searchAttempts = 0;
    actions.SendCutterCommand(kEjectSheetCommand);
  }
  const MarkPoint found = LocateSheetEdge(frame, endPhase);
  if (found.Found()) context.searchAttempts = 0;
  return found;
}

}  // namespace orvex
