// Registration accuracy: cut points against the printed contours, per sheet.
#include "sim/sim_accuracy.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace orvex::sim {
namespace {

double PointSegment(JobPoint x, JobPoint p, JobPoint q) {
  const double ea = q.a - p.a;
  const double eb = q.b - p.b;
  const double length2 = ea * ea + eb * eb;
  double t = length2 > 0.0 ? ((x.a - p.a) * ea + (x.b - p.b) * eb) / length2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(x.a - (p.a + t * ea), x.b - (p.b + t * eb));
}

}  // namespace

ContourDistance::ContourDistance(const std::vector<PrintedContour>& contours, double cellMm)
    : cell_(cellMm > 0.0 ? cellMm : 5.0) {
  double maxA = -std::numeric_limits<double>::infinity();
  double maxB = maxA;
  minA_ = std::numeric_limits<double>::infinity();
  minB_ = minA_;
  for (const PrintedContour& contour : contours) {
    for (std::size_t i = 0; i + 1 < contour.points.size(); ++i) {
      segments_.push_back(Segment{contour.points[i], contour.points[i + 1]});
    }
    for (const JobPoint& p : contour.points) {
      minA_ = std::min(minA_, p.a);
      minB_ = std::min(minB_, p.b);
      maxA = std::max(maxA, p.a);
      maxB = std::max(maxB, p.b);
    }
  }
  if (segments_.empty()) return;
  // Keep the grid small whatever the job's extent: at most about 256 cells a side.
  cell_ = std::max(cell_, std::max(maxA - minA_, maxB - minB_) / 256.0);
  columns_ = static_cast<int>((maxA - minA_) / cell_) + 1;
  rows_ = static_cast<int>((maxB - minB_) / cell_) + 1;
  cells_.resize(static_cast<std::size_t>(columns_) * rows_);
  for (std::size_t s = 0; s < segments_.size(); ++s) {
    const Segment& seg = segments_[s];
    const int c0 = static_cast<int>((std::min(seg.p.a, seg.q.a) - minA_) / cell_);
    const int c1 = static_cast<int>((std::max(seg.p.a, seg.q.a) - minA_) / cell_);
    const int r0 = static_cast<int>((std::min(seg.p.b, seg.q.b) - minB_) / cell_);
    const int r1 = static_cast<int>((std::max(seg.p.b, seg.q.b) - minB_) / cell_);
    for (int r = r0; r <= r1; ++r) {
      for (int c = c0; c <= c1; ++c) {
        cells_[static_cast<std::size_t>(r) * columns_ + c].push_back(static_cast<int>(s));
      }
    }
  }
}

double ContourDistance::operator()(JobPoint x) const {
  double best = std::numeric_limits<double>::infinity();
  if (segments_.empty()) return best;
  const int pc = std::clamp(static_cast<int>(std::floor((x.a - minA_) / cell_)), 0, columns_ - 1);
  const int pr = std::clamp(static_cast<int>(std::floor((x.b - minB_) / cell_)), 0, rows_ - 1);
  const int rings = std::max(columns_, rows_);
  for (int k = 0; k <= rings; ++k) {
    for (int r = pr - k; r <= pr + k; ++r) {
      if (r < 0 || r >= rows_) continue;
      for (int c = pc - k; c <= pc + k; ++c) {
        if (c < 0 || c >= columns_) continue;
        if (std::max(std::abs(r - pr), std::abs(c - pc)) != k) continue;  // the ring only
        for (int s : cells_[static_cast<std::size_t>(r) * columns_ + c]) {
          const Segment& seg = segments_[static_cast<std::size_t>(s)];
          best = std::min(best, PointSegment(x, seg.p, seg.q));
        }
      }
    }
    // Every segment not yet seen lies in a cell at least k whole cells away.
    if (best <= k * cell_) break;
  }
  return best;
}

AccuracyReport MeasureAccuracy(const SimBed& bed) {
  AccuracyReport report;
  const std::vector<PlacedSheet>& sheets = bed.LaidSheets();
  std::map<const PrintedJob*, ContourDistance> distances;
  struct Sums {
    std::size_t points = 0;
    double max = 0.0;
    double squares = 0.0;
  };
  std::map<int, Sums> bySheet;
  for (const CutStroke& stroke : bed.Cuts()) {
    if (stroke.sheet < 0 || static_cast<std::size_t>(stroke.sheet) >= sheets.size()) {
      report.pointsOffSheet += stroke.points.size();
      continue;
    }
    const PlacedSheet& sheet = sheets[static_cast<std::size_t>(stroke.sheet)];
    auto found = distances.find(&sheet.Job());
    if (found == distances.end()) {
      found = distances.emplace(&sheet.Job(), ContourDistance(sheet.Job().contours)).first;
    }
    Sums& sums = bySheet[stroke.sheet];
    // A stack made for edge mode is cut where the edges put the job, not where the marks would.
    const bool edgeRule = sheet.Job().sheet.known && sheet.Placement().faceDown;
    for (const MachinePoint& m : stroke.points) {
      const double d = found->second(edgeRule ? sheet.ToJobFromEndEdge(m) : sheet.ToJob(m));
      ++sums.points;
      sums.max = std::max(sums.max, d);
      sums.squares += d * d;
    }
  }
  for (const auto& [index, sums] : bySheet) {
    report.sheets.push_back(
        SheetAccuracy{sheets[static_cast<std::size_t>(index)].Number(), sums.points, sums.max,
                      std::sqrt(sums.squares / static_cast<double>(sums.points))});
  }
  return report;
}

}  // namespace orvex::sim
