// Office suites paint a white rectangle over the whole page before the drawing; the parser does
// not paint, so that rectangle would become a contour and the cutter would cut the page's
// outline. This finds the filled, unstroked white rectangles of the converter's PostScript
// (our PDF converter's dialect: `c m y k k` fills, `m l c` paths, `f`/`f*` and `S`).
#pragma once

#include <filesystem>
#include <vector>

namespace orvex {

struct RectangleMm {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  double Width() const { return x2 - x1; }
  double Height() const { return y2 - y1; }
};

std::vector<RectangleMm> FindWhiteFilledRectangles(const std::filesystem::path& postScript);

}  // namespace orvex
