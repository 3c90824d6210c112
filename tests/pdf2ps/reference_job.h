// A small label job whose geometry the tests know exactly, written as a hand-written PDF and
// redrawn by Ghostscript as a real producer, and what the tests read back of a converter's or
// the importer's output.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orvex::test {

// On a 200 x 150 mm page: bottom marks, two labels, a circle, the dashed special line (0 1 0 0,
// dash 3.5/2.5 pt) and the top mark, drawn with nested q/cm/Q, a form XObject placed twice, a
// clip, a separation colour whose alternate is 0 1 0 0 (it stays an ordinary cut path) and the
// dashed line under a scale of 10.
std::string HandWrittenPdf();

// What the parser reads of a converter's PostScript: everything between %%EndPageSetup and
// showpage ("<none>" without them).
std::string PageBody(const std::string& postScript);

// Ghostscript's `device` (pdfwrite, eps2write) over HandWrittenPdf() into `out`, with
// `options` before the output; false with `why` when gs is not installed or fails.
bool DrawWithGhostscript(const std::string& device, const std::filesystem::path& out,
                         std::string& why, const std::vector<std::string>& options = {});

struct Box {
  double x1, y1, x2, y2;  // mm
};
// The box of every path of a cut-path file (PSINT, TPSINT) over its end and control points,
// sorted by left then bottom edge.
std::vector<Box> PathBoxes(const std::filesystem::path& file);

}  // namespace orvex::test
