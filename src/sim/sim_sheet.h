// The printed sheet of the simulated machine: the job's geometry as printed (its contours from
// the sorted-contour working file and its black registration marks from the marks file), and
// where a sheet lies on the cutter (offset, rotation, media stretch along the feed).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orvex::sim {

// A point of the job in millimetres: `a` along the feed, `b` across it (the record files' first
// and second coordinates, relative to the job's lower-left corner).
struct JobPoint {
  double a = 0.0;
  double b = 0.0;
};

// A point on the cutter in millimetres, as the cutter counts its head position: `x` along the
// feed, `y` across it.
struct MachinePoint {
  double x = 0.0;
  double y = 0.0;
};

struct PrintedContour {
  std::vector<JobPoint> points;
  bool closed = false;
};

enum class MarkPrint { kFull, kMissing, kHalf };

struct PrintedMark {
  JobPoint centre;
  MarkPrint print = MarkPrint::kFull;
};

// The paper's extent in job coordinates. Not known: the camera sees paper wherever it looks.
struct SheetOutline {
  bool known = false;
  double aMin = 0.0;
  double aMax = 0.0;
  double bMin = 0.0;
  double bMax = 0.0;

  bool Contains(JobPoint p) const {
    return p.a >= aMin && p.a <= aMax && p.b >= bMin && p.b <= bMax;
  }
};

// What is printed on every sheet of the job.
struct PrintedJob {
  std::vector<PrintedContour> contours;  // ink lines, also the reference of the accuracy
  std::vector<PrintedMark> marks;        // the first (left) and second (right) mark
  double markSizeMm = 4.0;               // the marks are squares of this side
  double lineWidthMm = 0.3;              // printed contour lines
  SheetOutline sheet;                    // where the paper ends, for the edge search
};

struct JobLoad {
  bool ok = false;
  std::string message;  // why the job could not be read, for the test's or operator's eyes
  PrintedJob job;
};

// Reads "sort.prn" and "mk3.dat" from `workDir`. Bad or missing files give ok = false and a
// message naming the file and the place; nothing is thrown.
JobLoad LoadPrintedJob(const std::filesystem::path& workDir);
// The same from texts, for tests and fuzzing.
JobLoad ParsePrintedJob(const std::string& sortText, const std::string& marksText);

// How a sheet lies compared with where it should: shifted along the feed and across it,
// rotated about `pivot` (degrees, from +a towards +b), and stretched along the feed.
struct SheetPlacement {
  double offsetFeedMm = 0.0;
  double offsetCrossMm = 0.0;
  double rotationDeg = 0.0;
  double feedScale = 1.0;
  JobPoint pivot;
  // Laid printed side down: the job's feed coordinate runs against the machine's feed (a
  // mirror image, as a cut from the back needs) and the camera sees no print, only the outline.
  bool faceDown = false;

  // A placement drawn from `seed`, each error uniform within its bound (scale within
  // 1 +- maxStretch). The same seed always gives the same placement.
  static SheetPlacement Random(std::uint32_t seed, double maxOffsetMm, double maxRotationDeg,
                               double maxStretch, JobPoint pivot);
};

// One sheet on the cutter: the job, its placement, and where the job's origin lies on the
// machine when the placement has no error.
class PlacedSheet {
 public:
  PlacedSheet(std::shared_ptr<const PrintedJob> job, SheetPlacement placement,
              MachinePoint nominalOrigin, int number);

  MachinePoint ToMachine(JobPoint p) const;
  JobPoint ToJob(MachinePoint p) const;
  // Where edge mode means a cut to land, in the job's coordinates: edge mode never measures the
  // sheet's stretch, it lays the job unstretched from the end edge it found (the outline's aMin)
  // and the side edge, so the stretch is taken out from that edge on.
  JobPoint ToJobFromEndEdge(MachinePoint p) const;

  const PrintedJob& Job() const { return *job_; }
  const SheetPlacement& Placement() const { return placement_; }
  int Number() const { return number_; }

 private:
  // From the sheet's own (unstretched) feed and cross place back to the job's coordinates.
  JobPoint FromSheetFeed(double u, double v) const;

  std::shared_ptr<const PrintedJob> job_;
  SheetPlacement placement_;
  MachinePoint origin_;
  int number_;
  double cos_;
  double sin_;
};

}  // namespace orvex::sim
