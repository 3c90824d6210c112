// Lays a job's special paths out as several parallel lines: two side lines at a spacing on
// either side of each drawn segment, optionally the drawn segment itself between them, and for
// straight segments optionally each side cut twice. Every segment becomes paths of its own.
#pragma once

#include <filesystem>

namespace orvex {

struct MultipleLinesResult {
  bool ok = false;  // false: the special file was left exactly as it was
  long segments = 0;
};

// Reads `specialFile` (TPSINT), writes `layoutFile` (multi.prn) with `lineCount` lines (2 to 5)
// at `spacingMm`, then renames the layout over the special file in one step. When the layout
// cannot be written completely, the special file is kept and the partial layout removed.
MultipleLinesResult LayoutMultipleLines(const std::filesystem::path& specialFile,
                                        const std::filesystem::path& layoutFile, int lineCount,
                                        double spacingMm);

}  // namespace orvex
