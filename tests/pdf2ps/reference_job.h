// A small label job whose geometry the tests know exactly, written out the way different PDF
// producers would receive it (SVG for cairo, PostScript for Ghostscript, PDF written directly or
// by hand with transforms), and read back from the importer's cut-path files for comparison.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "import/eps_path_parser.h"
#include "import/job_marks.h"

namespace orvex::test {

inline constexpr double kPtPerMm = 72.0 / 25.4;
inline constexpr double kPageWidthMm = 200;
inline constexpr double kPageHeightMm = 150;

struct Segment {
  char op;                // 'm', 'l', 'c'
  std::array<double, 6> v;  // mm, y up
};

struct Shape {
  std::vector<Segment> segments;
  bool closed = false;
  bool fill = false;
  bool special = false;  // the dashed 0 1 0 0 line
};

// Bottom marks, two labels, a circle, the dashed special line, the top mark (in this order).
std::vector<Shape> ReferenceJob();

struct Point {
  double x, y;
};
using Polyline = std::vector<Point>;

// Each shape as a polyline in mm (curves finely divided, closed shapes back at their start).
std::vector<Polyline> Polylines(const std::vector<Shape>& shapes, bool special);

// The job as each producer's input.
std::string ReferenceSvg();         // for rsvg-convert: mm user units, y down
std::string ReferencePostScript();  // for gs -sDEVICE=pdfwrite: points
std::string ReferencePdf();         // identity transforms
// Nested q/cm/Q, a form XObject used twice, a clip, a separation colour whose alternate is
// 0 1 0 0 (it must stay an ordinary cut path) and the dashed line drawn under a scale of 10.
std::string HandWrittenPdf();

struct ImportedJob {
  bool parsed = false;
  ParseSummary summary;
  std::vector<Polyline> cut;
  std::vector<Polyline> special;
  JobMarks marks;
};

// Runs the importer's parser (converted-PDF kind) and the mark locator in `workDir`.
ImportedJob ImportPostScript(const std::filesystem::path& postScript,
                             const std::filesystem::path& workDir);
std::vector<Polyline> ReadPathFile(const std::filesystem::path& file);

// The largest distance from any point of either set to the other set (mm); infinity when one
// set is empty and the other is not.
double Deviation(const std::vector<Polyline>& got, const std::vector<Polyline>& want);

}  // namespace orvex::test
