// Curve step counts and the fixed-decimal text of the working files.
#include "import/flattening.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

namespace orvex {
namespace {

TEST(CurveStepCount, ThresholdsAndSquareRootRule) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // The rule drops below the short-curve count at 6; lengths that are no number end the loop.
  const std::vector<std::pair<float, int>> table = {
      {0.0F, 1}, {0.39F, 1},   {0.4F, 3},    {0.99F, 3}, {1.0F, 6}, {5.99F, 6},
      {6.0F, 5}, {100.0F, 20}, {399.0F, 40}, {inf, 1},   {nan, 1},  {1e30F, kMaxCurveSteps}};
  for (const auto& [length, steps] : table) {
    EXPECT_EQ(CurveStepCountForLength(length), steps) << length;
  }
  // |P0P1| = 3, |P0P3| = 4, |P2P3| = 3 -> L = 10 -> trunc(2 sqrt(11)) = 6.
  EXPECT_EQ(CurveStepCount({0, 0}, {0, 3}, {4, 3}, {4, 0}), 6);
  EXPECT_EQ(CurveStepCount({-3e38F, 0}, {3e38F, 0}, {0, 0}, {3e38F, 0}), 1);  // overflows to inf
}

// The working files are compared byte for byte: the fixed text must be printf's, ties, negative
// zero, huge values and non-numbers included.
TEST(FixedText, MatchesPrintfByteForByte) {
  using limits = std::numeric_limits<float>;
  std::vector<float> values = {-0.0F,   0.125F, -0.625F,    2.675F, -0.004F, -0.005F, 0.995F,
                               99.995F, 1e7F,   8388608.5F, 1e9F,   3e38F,   -1e-30F};
  values.insert(values.end(), {limits::denorm_min(), limits::infinity(), limits::quiet_NaN()});
  // Every quarter-cent tie and its neighbour in the range jobs live in.
  for (int i = -400000; i <= 400000; ++i) {
    values.push_back(static_cast<float>(i) / 400.0F);
    values.push_back(std::nextafter(values.back(), 1e9F));
  }
  std::mt19937 random(11);
  for (int i = 0; i < 200000; ++i) {
    const std::uint32_t word = random();
    float f;
    std::memcpy(&f, &word, sizeof f);
    values.push_back(f);
    values.push_back(static_cast<float>(static_cast<int>(word % 2000000U) - 1000000) / 128.0F);
  }
  for (float v : values) {
    char two[512], six[512];
    std::snprintf(two, sizeof two, "%.2f", static_cast<double>(v));
    std::snprintf(six, sizeof six, "%f", static_cast<double>(v) * 1.1);
    std::string fromFloat, fromDouble, sixDecimals;
    AppendFixed2(fromFloat, v);
    AppendFixed2(fromDouble, static_cast<double>(v));
    AppendFixed6(sixDecimals, static_cast<double>(v) * 1.1);
    ASSERT_EQ(fromFloat, two) << v;
    ASSERT_EQ(fromDouble, two) << v;
    ASSERT_EQ(sixDecimals, six) << v;
  }
}

}  // namespace
}  // namespace orvex
