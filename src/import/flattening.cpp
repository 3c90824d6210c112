#include "import/flattening.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace orvex {
namespace {

void AppendFixed(std::string& out, double value, int precision) {
  char buffer[400];
  if (std::isnan(value)) {
    out += std::signbit(value) ? "-nan" : "nan";
    return;
  }
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
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

void AppendFixed2(std::string& out, double value) {
  AppendFixed(out, value, 2);
}

void AppendFixed2(std::string& out, float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 31) != 0;
  const int biased = static_cast<int>((bits >> 23) & 0xFFU);
  // Infinities, NaNs and values of 10^7 and more take the general conversion.
  if (biased >= 150) {
    AppendFixed(out, value, 2);
    return;
  }
  // value = mantissa * 2^exponent exactly.
  std::uint64_t mantissa = bits & 0x7FFFFFU;
  int exponent = -149;
  if (biased != 0) {
    mantissa |= 0x800000U;
    exponent = biased - 150;
  }
  std::uint64_t scaled = mantissa * 100U;  // below 2^31
  std::uint64_t hundredths = 0;
  int shift = -exponent;  // 1 .. 149
  if (shift < 63) {
    // Round half to even on the exact value, as printf does in the default rounding mode.
    std::uint64_t quotient = scaled >> shift;
    std::uint64_t remainder = scaled & ((std::uint64_t{1} << shift) - 1);
    std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (remainder > half || (remainder == half && (quotient & 1U) != 0)) ++quotient;
    hundredths = quotient;
  }
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char text[32];
  char* end = text + sizeof text;
  char* p = end;
  auto count = static_cast<std::uint32_t>(hundredths);  // below 10^9
  std::uint32_t cents = count % 100U;
  std::uint32_t whole = count / 100U;
  p -= 2;
  std::memcpy(p, kPairs + 2 * cents, 2);
  *--p = '.';
  while (whole >= 100U) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * (whole % 100U), 2);
    whole /= 100U;
  }
  if (whole >= 10U) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * whole, 2);
  } else {
    *--p = static_cast<char>('0' + whole);
  }
  if (negative) *--p = '-';
  out.append(p, end);
}

void AppendFixed6(std::string& out, double value) {
  AppendFixed(out, value, 6);
}

}  // namespace orvex
