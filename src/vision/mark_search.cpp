// Mark search: column histograms, run scan, two consistency passes and the 21-row edge pass.
#include "vision/mark_search.h"

#include <array>
#include <cstdlib>

namespace orvex {

namespace {

constexpr int kProfileFirstRow = 60;
constexpr int kProfileLastRow = 420;
constexpr int kHistogramFirstRow = 70;
constexpr int kHistogramLastRow = 400;
constexpr int kScanFirstRow = 80;
constexpr int kScanLastRow = 379;
constexpr int kFirstColumn = 120;
constexpr int kLastColumn = 519;
constexpr int kColumnStep = 3;
constexpr int kColumnCount = (kLastColumn - kFirstColumn) / kColumnStep + 1;  // 134
constexpr int kMinRun = 43;
constexpr int kMaxRun = 71;

// Grey value as the search sees it: inverted during a calibration read.
inline int GreyAt(const std::uint8_t* base, int column, int row, bool inverted) {
  const std::uint8_t* p =
      base + static_cast<std::size_t>(row) * kFrameStride + static_cast<std::size_t>(column) * 3;
  const int grey = (p[0] + p[1] + p[2]) / 3;
  return inverted ? 255 - grey : grey;
}

// Paper bins from the top of the histogram, a gap, then the mark's bins; the threshold lies
// half-way between the lower bounds of the paper peak bin and the mark peak bin.
int HistogramThreshold(const std::array<int, 32>& histogram) {
  int paperTotal = 0;
  int paperPeakCount = 0;
  int paperPeakBin = 0;
  int markTotal = 0;
  int markLargest = 0;
  int markPeakBin = 0;
  bool armed = false;
  int phase = 1;
  for (int bin = 31; bin >= 0 && phase < 4; --bin) {
    const int count = histogram[static_cast<std::size_t>(bin)];
    const bool occupied = count > 4;
    if (phase == 1) {
      if (occupied) {
        paperTotal += count;
        if (count > paperPeakCount) {
          paperPeakCount = count;
          paperPeakBin = bin;
        }
        armed = false;
      } else if (paperTotal > 200) {
        if (!armed) {
          armed = true;
        } else {
          armed = false;
          phase = 2;
        }
      }
    } else if (phase == 2) {
      if (!occupied) {
        markTotal = 0;
        markLargest = 0;
        armed = false;
      } else if (!armed && count < 30) {
        armed = true;
        if (count > markLargest) {
          markLargest = count;
          markPeakBin = bin;
        }
        markTotal += count;
      } else {
        markTotal += count;
        if (count >= markLargest) markLargest = count;
        armed = true;
        phase = 3;
      }
    } else {  // phase 3
      if (occupied) {
        if (count > markLargest) {
          markLargest = count;
          markPeakBin = bin;
        }
        markTotal += count;
        armed = false;
      } else if (!armed) {
        armed = true;
      } else {
        armed = false;
        phase = 4;
      }
    }
  }
  if (paperTotal <= 200 || markTotal < 36 || markTotal > 69) return 0;
  return 4 * (markPeakBin + paperPeakBin);
}

}  // namespace

namespace {

constexpr int kProfileLength = kProfileLastRow - kProfileFirstRow + 1;  // 361
using ColumnProfile = std::array<std::uint8_t, kProfileLength>;

// Histogram, threshold and run scan of one column's grey values (rows 60..420).
ColumnRecord AnalyseProfile(const ColumnProfile& profile, int column) {
  ColumnRecord record;
  record.column = column;
  // Smoothed values of rows 61..419, the only rows the histogram and the run scan look at.
  std::array<int, kProfileLength> smooth{};
  for (std::size_t i = 1; i + 1 < profile.size(); ++i) {
    smooth[i] = (profile[i - 1] + profile[i] + profile[i + 1]) / 3;
  }
  const auto smoothed = [&smooth](int r) {
    return smooth[static_cast<std::size_t>(r - kProfileFirstRow)];
  };

  // Four interleaved histograms: paper fills one bin row after row, and a single counter would
  // make every increment wait for the one before it.
  std::array<std::array<int, 32>, 4> partial{};
  for (int r = kHistogramFirstRow; r <= kHistogramLastRow; ++r) {
    ++partial[static_cast<std::size_t>(r & 3)][static_cast<std::size_t>(smoothed(r) / 8)];
  }
  std::array<int, 32> histogram{};
  for (std::size_t b = 0; b < histogram.size(); ++b) {
    histogram[b] = partial[0][b] + partial[1][b] + partial[2][b] + partial[3][b];
  }
  const int threshold = HistogramThreshold(histogram);
  if (threshold == 0) return record;
  record.threshold = threshold;

  int lightCount = 0;
  int darkCount = 0;
  bool inRun = false;
  for (int r = kScanFirstRow; r <= kScanLastRow; ++r) {
    const bool light = smoothed(r) > threshold;
    if (!inRun) {
      if (light) {
        ++lightCount;
      } else if (lightCount > 30) {
        record.top = r;
        darkCount = 1;
        inRun = true;
      }
    } else if (light) {
      record.length = darkCount;
      break;
    } else {
      ++darkCount;
    }
  }
  return record;
}

}  // namespace

MarkPoint LocateMark(const CameraFrame& frame, bool inverted) {
  if (!frame.IsStandard()) return {};

  // The 134 column profiles are read row by row: the frame is then read front to back instead of
  // one cache line per pixel, which is what keeps the search well inside its time between ticks.
  std::array<ColumnProfile, kColumnCount> profiles;
  const std::uint8_t* base = frame.bytes.data();
  for (int r = kProfileFirstRow; r <= kProfileLastRow; ++r) {
    const auto ri = static_cast<std::size_t>(r - kProfileFirstRow);
    for (int k = 0; k < kColumnCount; ++k) {
      profiles[static_cast<std::size_t>(k)][ri] =
          static_cast<std::uint8_t>(GreyAt(base, kFirstColumn + k * kColumnStep, r, inverted));
    }
  }

  std::array<ColumnRecord, kColumnCount> kept{};
  int n = 0;
  for (int k = 0; k < kColumnCount; ++k) {
    const ColumnRecord record =
        AnalyseProfile(profiles[static_cast<std::size_t>(k)], kFirstColumn + k * kColumnStep);
    if (record.threshold > 0 && record.length >= kMinRun && record.length <= kMaxRun) {
      kept[static_cast<std::size_t>(n++)] = record;
    }
  }
  if (n < 10) return {};

  // First pass: the tops must agree with the mean of those accepted so far; a record far from
  // its predecessor is struck out for the second pass as well.
  int accepted = 0;
  int topSum = 0;
  int columnSum = 0;
  for (int k = 1; k < n; ++k) {
    ColumnRecord& record = kept[static_cast<std::size_t>(k)];
    if (record.column - kept[static_cast<std::size_t>(k - 1)].column > 20) {
      record.threshold = 0;
      continue;
    }
    if (accepted < 9 || std::abs(topSum / accepted - record.top) < 4) {
      topSum += record.top;
      columnSum += record.column;
      ++accepted;
    }
  }
  if (accepted < 8) return {};
  const int referenceColumn = columnSum / accepted;

  // Second pass: height and row from the records near the reference column.
  int used = 0;
  int usedTops = 0;
  int usedLengths = 0;
  int usedColumns = 0;
  for (int k = 1; k < n - 1; ++k) {
    const ColumnRecord& record = kept[static_cast<std::size_t>(k)];
    if (std::abs(record.column - referenceColumn) < 29 && record.threshold > 0) {
      usedTops += record.top;
      usedLengths += record.length;
      usedColumns += record.column;
      ++used;
    }
  }
  if (used < 8) return {};

  const auto j = static_cast<float>(used);
  MarkPoint result;
  result.row = static_cast<float>(usedTops) / j + (static_cast<float>(usedLengths) / j) * 0.5F;
  const int centreRow = (usedLengths / used) / 2 + usedTops / used;
  const int centreColumn = usedColumns / used;

  // Edge pass over 21 rows. The records keep the centre at least 81 rows and columns from the
  // frame's borders, so every pixel read below lies inside the frame.
  int leftSum = 0;
  int rightSum = 0;
  int left = 0;
  int right = 0;
  for (int r = centreRow - 20; r <= centreRow + 20; r += 2) {
    std::array<int, 80> q{};  // q[i] is the grey of column centreColumn - 39 + i
    for (int i = 0; i < 80; ++i) {
      q[static_cast<std::size_t>(i)] = GreyAt(base, centreColumn - 39 + i, r, inverted);
    }
    const auto response = [&q](int i) {
      const auto u = static_cast<std::size_t>(i);
      return (q[u - 3] + q[u - 2] + q[u - 1]) - (q[u + 1] + q[u + 2] + q[u + 3]);
    };
    int best = 0;
    int bestAt = -1;
    for (int i = 3; i <= 18; ++i) {  // columns centre-36 .. centre-21
      const int d = response(i);
      if (d > best) {
        best = d;
        bestAt = i;
      }
    }
    if (bestAt >= 0) left = centreColumn - 39 + bestAt;
    best = 0;
    bestAt = -1;
    for (int i = 59; i <= 74; ++i) {  // columns centre+20 .. centre+35
      const int d = response(i);
      if (d < best) {
        best = d;
        bestAt = i;
      }
    }
    if (bestAt >= 0) right = centreColumn - 39 + bestAt;
    leftSum += left;
    rightSum += right;
  }
  result.col = static_cast<float>((rightSum / 21.0 + leftSum / 21.0) * 0.5);
  return result;
}

MarkPoint FindMark(const CameraFrame& frame, RunContext& context, MarkSearchActions& actions) {
  const bool calibration = context.calibrationRead != 0;
  ++context.searchAttempts;
  if (context.searchAttempts > kMarkSearchAttemptLimit && !calibration) {
    actions.SendFeederReportAndClose(kCuttingNotice, kCuttingNoticeTimeoutMs);
    actions.ShowInformation(kMarkTimeoutMessage);
    context.waitingForMark = 0;
    context.searchAttempts = 0;
    actions.SendCutterCommand(kEjectSheetCommand);
    if (actions.SheetCount() > 1) actions.FinishJob();
  }
  const MarkPoint found = LocateMark(frame, calibration);
  if (found.Found()) context.searchAttempts = 0;
  return found;
}

}  // namespace orvex
