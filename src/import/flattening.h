// The arithmetic shared by everything that turns a job's curves into points: the cubic's power
// form, the number of steps a curve is cut in, and the "%.2f" text of every working file (the
// parser's cut-path records, sort.prn, the run's contour records) written without going through
// printf (the import writes millions of these).
#pragma once

#include <string>

namespace orvex {

struct PointMm {
  float x = 0.0F;
  float y = 0.0F;
};

// Power-form coefficients of one axis of a cubic Bezier, in single precision.
struct CubicAxis {
  float a1, a2, a3, p0;
  static CubicAxis From(float p0, float p1, float p2, float p3);
  float At(float t) const { return a3 * t * t * t + a2 * t * t + a1 * t + p0; }
};

// Steps a curve from `p0` to `p3` with controls `p1`, `p2` is cut in. Lengths that are infinite
// or not a number give 1 (otherwise the step loop would never end), and the count never exceeds
// kMaxCurveSteps, which no curve shorter than 250 metres reaches.
inline constexpr int kMaxCurveSteps = 1000;
int CurveStepCount(PointMm p0, PointMm p1, PointMm p2, PointMm p3);
// The same rule from the length sum alone.
int CurveStepCountForLength(float length);

// Appends `value` as printf("%.2f") would write it.
void AppendFixed2(std::string& out, double value);
// The same for a single-precision value (promoted as printf would), without the general
// conversion: the float's exact binary value is scaled and rounded in integers, half to even on
// exact ties, "-0.00" for negative values that round to zero.
void AppendFixed2(std::string& out, float value);
// Appends `value` as printf("%f") would write it (six decimals).
void AppendFixed6(std::string& out, double value);

}  // namespace orvex
