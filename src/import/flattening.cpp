#include "import/flattening.h"

#include <charconv>
#include <cmath>

namespace orvex {
namespace {

void AppendFixed(std::string& out, double value, int precision) {
  char buffer[400];
  if (std::isnan(value)) {
    out += std::signbit(value) ? "-nan" : "nan";
    return;
  }
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                              precision);
  out.append(buffer, result.ptr);
}

float Distance(PointMm a, PointMm b) {
  float dx = b.x - a.x;
  float dy = b.y - a.y;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

CubicAxis CubicAxis::From(float p0, float p1, float p2, float p3) {
  CubicAxis axis{};
  axis.a1 = 3.0F * (p1 - p0);
  axis.a2 = 3.0F * (p2 - p1) - axis.a1;
  axis.a3 = p3 - p0 - axis.a1 - axis.a2;
  axis.p0 = p0;
  return axis;
}

int CurveStepCountForLength(float length) {
  if (!std::isfinite(length)) return 1;
  if (length < 0.4F) return 1;
  if (length < 1.0F) return 3;
  if (length < 6.0F) return 6;
  float steps = 1.0F / ((0.2F / std::sqrt(length + 1.0F)) * 2.5F);
  if (!(steps < static_cast<float>(kMaxCurveSteps))) return kMaxCurveSteps;
  return static_cast<int>(steps);
}

int CurveStepCount(PointMm p0, PointMm p1, PointMm p2, PointMm p3) {
  return CurveStepCountForLength(Distance(p0, p1) + Distance(p0, p3) + Distance(p2, p3));
}

void AppendFixed2(std::string& out, double value) { AppendFixed(out, value, 2); }
void AppendFixed6(std::string& out, double value) { AppendFixed(out, value, 6); }

}  // namespace orvex
