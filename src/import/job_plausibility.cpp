#include "import/job_plausibility.h"

#include <cmath>
#include <cstdio>

namespace orvex {
namespace {

constexpr double kCoverToleranceMm = 1.0;

std::string Size(double width, double height) {
  char text[96];
  std::snprintf(text, sizeof text, "%.1f x %.1f mm", width, height);
  return text;
}

}  // namespace

std::optional<std::string> JobSizeRefusal(const GraphicSummary& s) {
  const double width = static_cast<double>(s.maxX) - s.minX;
  const double height = static_cast<double>(s.maxY) - s.minY;
  if (!std::isfinite(width) || !std::isfinite(height)) {
    return std::string("The graphic has no finite size: it cannot be cut");
  }
  if (width <= kMaxJobAlongFeedMm && height <= kMaxJobAcrossFeedMm) return std::nullopt;
  return "The graphic is " + Size(width, height) + ", larger than any sheet the cutter takes (" +
         Size(kMaxJobAlongFeedMm, kMaxJobAcrossFeedMm) + ")";
}

std::optional<std::string> PageBackgroundWarning(const std::vector<RectangleMm>& whiteFills,
                                                 const GraphicSummary& s) {
  for (const RectangleMm& r : whiteFills) {
    if (std::fabs(r.x1 - s.minX) <= kCoverToleranceMm &&
        std::fabs(r.y1 - s.minY) <= kCoverToleranceMm &&
        std::fabs(r.x2 - s.maxX) <= kCoverToleranceMm &&
        std::fabs(r.y2 - s.maxY) <= kCoverToleranceMm) {
      return "A filled white rectangle of " + Size(r.Width(), r.Height()) +
             " covers the whole page (a page background?): its outline is cut as a contour";
    }
  }
  return std::nullopt;
}

}  // namespace orvex
