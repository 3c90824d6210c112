// Cutting order: turns the import's unsorted contour list (sort.prn) into the sorted job file
// the transmission streams (sortx.prn), by way of sortp.prn when every contour is cut several
// times, and of sortmirror.prn when the sheet is fed the other way round (edge mode).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_context.h"
#include "core/work_dir.h"

namespace orvex {

// One contour of the table the ordering sorts. Offsets are byte offsets of records in the
// file being ordered.
struct ContourEntry {
  double key = 0.0;
  std::size_t bestOffset = 0;   // the chosen start point of a closed contour
  std::size_t firstOffset = 0;  // the contour's M or O record
  bool open = false;
};

// The contours of `text` after `start`, in file order, with their keys: 1000 less the
// furthest reach (a - 0.05 b) of their cut points, or their position in the file when
// `reverseOrder` is set. A contour without cut points has nothing to cut and gets no entry.
// `totalCutLength` receives the length of every cut segment.
std::vector<ContourEntry> ScanContours(std::string_view text, std::size_t start, int reverseOrder,
                                       double& totalCutLength);

// The order in which the entries are cut: largest key first, the earlier entry on equal keys;
// entries whose key is 0 or below are left out.
std::vector<std::size_t> CutOrder(const std::vector<ContourEntry>& entries);

struct OrderResult {
  bool ok = false;
  std::string error;        // why nothing was written, when !ok
  int orderedContours = 0;  // contour starts in the cut section of sortx.prn
};

// Orders the job for the next sheets: resets the mark positions and specialEnd from the
// import's values, mirrors first in edge mode (special modes other than 4), and writes
// sortx.prn (and sortp.prn when ctx.passes > 1). Every file is replaced atomically; on failure
// the earlier sorted files are left as they were.
OrderResult OrderCuts(RunContext& ctx, const WorkDir& dir);

// Writes sortmirror.prn: every record of sort.prn with its feed coordinate turned end for end
// about the second mark, then swaps the marks' roles in ctx. False when sort.prn cannot be
// read or sortmirror.prn cannot be written (ctx is then unchanged).
bool MirrorCuts(RunContext& ctx, const WorkDir& dir, std::string* error = nullptr);

// The pure parts, on text in memory, for the files above and their tests.
std::string MirrorRecords(std::string_view sort, RunContext& ctx);
// Writes the ordered single-pass (passes == 1) or multi-pass intermediate (sortp) text.
// `specialEnd` is the end of the special section in `input` (0 when there is none) and becomes
// its end in the output.
std::string OrderRecords(std::string_view input, long& specialEnd, int passes, int reverseOrder,
                         double& totalCutLength);
// Expands sortp text into the multi-pass sortx text.
std::string ExpandPasses(std::string_view sortp, long specialEnd, int passes);
// Contour starts (M or O records) after `specialEnd`.
int CountContourStarts(std::string_view text, long specialEnd);

}  // namespace orvex
