#include "import/page_background.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace orvex {
namespace {

constexpr double kPointsPerMm = 2.83465;

struct Pt {
  double x = 0, y = 0;
  bool operator==(const Pt&) const = default;
};

// An axis-parallel rectangle: four corners (a fifth back at the first) joined by lines that
// each keep x or y.
bool IsRectangle(const std::vector<Pt>& points) {
  std::vector<Pt> corners = points;
  if (corners.size() == 5 && corners.front() == corners.back()) corners.pop_back();
  if (corners.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    const Pt& a = corners[i];
    const Pt& b = corners[(i + 1) % 4];
    if (a.x != b.x && a.y != b.y) return false;
  }
  return true;
}

RectangleMm BoxOf(const std::vector<Pt>& points) {
  RectangleMm box{points[0].x, points[0].y, points[0].x, points[0].y};
  for (const Pt& p : points) {
    box.x1 = std::min(box.x1, p.x);
    box.y1 = std::min(box.y1, p.y);
    box.x2 = std::max(box.x2, p.x);
    box.y2 = std::max(box.y2, p.y);
  }
  return {box.x1 / kPointsPerMm, box.y1 / kPointsPerMm, box.x2 / kPointsPerMm,
          box.y2 / kPointsPerMm};
}

}  // namespace

std::vector<RectangleMm> FindWhiteFilledRectangles(const std::filesystem::path& postScript) {
  std::vector<RectangleMm> found;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(postScript.c_str(), "rb"),
                                                      &std::fclose);
  if (!in) return found;
  double operands[8] = {};
  int count = 0;
  bool whiteFill = false;
  bool curved = false;  // the path under construction has a curve or several subpaths
  std::vector<Pt> path;
  std::vector<Pt> lastWhiteFill;  // a fill the same path's stroke may follow
  char token[256];
  while (std::fscanf(in.get(), "%255s", token) == 1) {
    const char c = token[0];
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') {
      if (count == 8) {
        std::copy(operands + 1, operands + 8, operands);
        count = 7;
      }
      operands[count++] = std::strtod(token, nullptr);
      continue;
    }
    const std::string op = token;
    if (op == "k" && count >= 4) {
      whiteFill = operands[count - 4] == 0 && operands[count - 3] == 0 &&
                  operands[count - 2] == 0 && operands[count - 1] == 0;
    } else if (op == "m" && count >= 2) {
      if (!path.empty()) curved = true;
      path.push_back({operands[count - 2], operands[count - 1]});
    } else if (op == "l" && count >= 2) {
      path.push_back({operands[count - 2], operands[count - 1]});
    } else if (op == "c") {
      curved = true;
    } else if (op == "f" || op == "f*") {
      lastWhiteFill.clear();
      if (whiteFill && !curved && IsRectangle(path)) {
        found.push_back(BoxOf(path));
        lastWhiteFill = path;
      }
      path.clear();
      curved = false;
    } else if (op == "S") {
      // Filled and stroked: the stroke is a real line, the rectangle is no background.
      if (!lastWhiteFill.empty() && path == lastWhiteFill) found.pop_back();
      lastWhiteFill.clear();
      path.clear();
      curved = false;
    }
    count = 0;
  }
  return found;
}

}  // namespace orvex
