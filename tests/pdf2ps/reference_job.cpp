// The reference job, hand-written as a PDF, and Ghostscript as a second producer of it; see
// reference_job.h. Its parts are drawn in millimetres under a scale of 2.83465 (the importer's
// points per millimetre).
#include "pdf2ps/reference_job.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "import/path_record_stream.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"
#include "tools/minimal_pdf.h"

namespace orvex::test {
namespace {

// A 50 x 30 mm label with 3 mm round corners, its lower-left corner at the origin.
constexpr const char* kLabel =
    "3 0 m 47 0 l 48.6569 0 50 1.3431 50 3 c 50 27 l 50 28.6569 48.6569 30 47 30 c 3 30 l "
    "1.3431 30 0 28.6569 0 27 c 0 3 l 0 1.3431 1.3431 0 3 0 c h\n";

// A 4 mm mark with its lower-left corner at (x, y).
std::string Mark(double x, double y) {
  char text[160];
  std::snprintf(text, sizeof text, "%g %g m %g %g l %g %g l %g %g l h\n", x, y, x + 4, y, x + 4,
                y + 4, x, y + 4);
  return text;
}

// A circle of 18 mm radius about the origin, as four curves.
constexpr const char* kCircle =
    "18 0 m 18 9.94113 9.94113 18 0 18 c -9.94113 18 -18 9.94113 -18 0 c "
    "-18 -9.94113 -9.94113 -18 0 -18 c 9.94113 -18 18 -9.94113 18 0 c h\n";

}  // namespace

std::string HandWrittenPdf() {
  // Bottom marks three graphics states deep: the outer scales cancel, the translation of
  // 5 mm stays.
  const std::string content =
      "q 0.5 0 0 0.5 0 0 cm q 2 0 0 2 0 0 cm q 2.83465 0 0 2.83465 14.17325 14.17325 cm\n"
      "0 0 0 rg\n" +
      Mark(5, 5) + "f\nq 1 0 0 1 0 0 cm 0 0 0 1 k\n" + Mark(181, 5) + "f* Q\nQ Q Q\n" +
      // Both labels are one form XObject (its own matrix scales by 2) placed twice, in a spot
      // colour whose alternate happens to be 0 1 0 0.
      "/Spot CS 1 SCN q 2.83465 0 0 2.83465 0 0 cm\n"
      "q 1 0 0 1 30 30 cm /Label Do Q q 1 0 0 1 100 30 cm /Label Do Q Q\n"
      // The circle under a flip of the page, inside a clip that hides part of it (clips are
      // ignored: the whole circle is a cut path). The clip path itself paints nothing.
      "q 2.83465 0 0 -2.83465 0 425.1975 cm 0 0 70 60 re W n 0.2 0.2 0.2 RG 0.3 w 1 0 0 1 80 55 "
      "cm\n" +
      kCircle + "S Q\n" +
      // The special line under a scale of 10: its dash must come out in page points.
      "q 28.3465 0 0 28.3465 0 0 cm 1 0 1 rg 0 1 0 0 K [0.1234722 0.0881944] 0 d 0.03 w\n"
      "3 12.5 m 17 12.5 l S Q\n"
      // The top mark in page points, under no transform at all.
      "0 g 28.3465 385.5124 m 39.6851 385.5124 l 39.6851 396.851 l 28.3465 396.851 l h f\n";
  tools::MinimalPdf pdf;
  const int tint =
      pdf.AddObject("<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 1 0 0] /N 1 >>");
  const int spot =
      pdf.AddObject("[/Separation /CutContour /DeviceCMYK " + std::to_string(tint) + " 0 R]");
  const int label =
      pdf.AddStream("/Type /XObject /Subtype /Form /BBox [-10 -10 200 200] /Matrix [2 0 0 2 0 0]",
                    std::string("0.5 0 0 0.5 0 0 cm 0.4 w\n") + kLabel + "S\n");
  return tools::SinglePagePdf(pdf, content, 566.93, 425.1975,
                              "/ColorSpace << /Spot " + std::to_string(spot) +
                                  " 0 R >> /XObject << /Label " + std::to_string(label) +
                                  " 0 R >>");
}

bool DrawWithGhostscript(const std::string& device, const std::filesystem::path& out,
                         std::string& why, const std::vector<std::string>& options) {
  const char* path = std::getenv("PATH");
  const std::filesystem::path gs = FindOnPath("gs", path != nullptr ? path : "/usr/bin:/bin");
  if (gs.empty()) return why = "gs not installed (ghostscript)", false;
  const std::filesystem::path job = out.parent_path() / "reference-job.pdf";
  WriteFileBytes(job, HandWrittenPdf());
  std::vector<std::string> argv = {gs.string(), "-q",        "-dSAFER",
                                   "-dBATCH",   "-dNOPAUSE", "-sDEVICE=" + device};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.insert(argv.end(), {"-o", out.string(), job.string()});
  const ChildOutcome run = RunChildProcess(argv, std::chrono::seconds(60));
  std::filesystem::remove(job);
  if (!run.Succeeded()) return why = "gs failed: " + run.output, false;
  return true;
}

std::string PageBody(const std::string& postScript) {
  const std::size_t begin = postScript.find("%%EndPageSetup\n");
  const std::size_t end = postScript.find("showpage\n");
  if (begin == std::string::npos || end == std::string::npos) return "<none>";
  return postScript.substr(begin + 15, end - begin - 15);
}

std::vector<Box> PathBoxes(const std::filesystem::path& file) {
  std::vector<Box> boxes;
  PathRecordStream stream;
  if (!stream.Open(file)) return boxes;
  PathRecord record;
  while (stream.Next(record)) {
    if (record.letter == 'M' || record.letter == 'O') boxes.push_back({1e9, 1e9, -1e9, -1e9});
    if ((record.letter != 'L' && record.letter != 'C') || boxes.empty()) continue;
    Box& box = boxes.back();
    for (int i = 0; i < (record.letter == 'C' ? 8 : 4); i += 2) {
      box = {std::min<double>(box.x1, record.v[i]), std::min<double>(box.y1, record.v[i + 1]),
             std::max<double>(box.x2, record.v[i]), std::max<double>(box.y2, record.v[i + 1])};
    }
  }
  std::erase_if(boxes, [](const Box& b) { return b.x1 > b.x2; });
  std::sort(boxes.begin(), boxes.end(),
            [](const Box& a, const Box& b) { return a.x1 != b.x1 ? a.x1 < b.x1 : a.y1 < b.y1; });
  return boxes;
}

}  // namespace orvex::test
