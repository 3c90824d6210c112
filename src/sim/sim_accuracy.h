// Registration accuracy of the simulated machine: every recorded cut point, mapped back onto the
// sheet it was cut on, measured against the nearest printed contour (on a stack made for edge
// mode, against where the found edges put the job: edge mode never measures the stretch).
#pragma once

#include <cstddef>
#include <vector>

#include "sim/sim_bed.h"

namespace orvex::sim {

struct SheetAccuracy {
  int sheet = 0;           // sheet number, 1 for the first sheet laid
  std::size_t points = 0;  // cut points measured
  double maxMm = 0.0;
  double rmsMm = 0.0;
};

struct AccuracyReport {
  std::vector<SheetAccuracy> sheets;  // sheets with at least one cut point, in laying order
  std::size_t pointsOffSheet = 0;     // cut points made with no sheet on the bed
};

// Nearest distance from a point to a set of contours, in the job's millimetres.
class ContourDistance {
 public:
  explicit ContourDistance(const std::vector<PrintedContour>& contours, double cellMm = 5.0);
  // Infinity when there are no contours.
  double operator()(JobPoint p) const;

 private:
  struct Segment {
    JobPoint p;
    JobPoint q;
  };
  std::vector<Segment> segments_;
  std::vector<std::vector<int>> cells_;
  double cell_;
  double minA_ = 0.0;
  double minB_ = 0.0;
  int columns_ = 0;
  int rows_ = 0;
};

AccuracyReport MeasureAccuracy(const SimBed& bed);

}  // namespace orvex::sim
