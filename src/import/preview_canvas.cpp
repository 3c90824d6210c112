#include "import/preview_canvas.h"

#include <algorithm>
#include <cmath>

namespace orvex {
namespace {

// A damaged job can carry coordinates far outside any sheet; pixel positions are clamped so the
// conversion to int stays defined.
int ToPixel(double value) {
  if (std::isnan(value)) return 0;
  value = std::clamp(value, -1.0e6, 1.0e6);
  return static_cast<int>(std::trunc(value));
}

}  // namespace

PreviewMapping::PreviewMapping(const PreviewCanvas& canvas, float jobWidth, float jobHeight)
    : height_(canvas.Height()) {
  PreviewRect target = canvas.Target();
  double byWidth = (target.right - target.left) / (static_cast<double>(jobWidth) + 10.0);
  double byHeight = (target.bottom - target.top) / (static_cast<double>(jobHeight) + 10.0);
  scale_ = std::min(byWidth, byHeight);
  if (!std::isfinite(scale_)) scale_ = 0.0;
}

int PreviewMapping::Column(float x) const {
  return ToPixel(scale_ * x);
}

int PreviewMapping::Row(float y) const {
  return (height_ - 8) - ToPixel(scale_ * y);
}

}  // namespace orvex
