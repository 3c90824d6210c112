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
  EXPECT_EQ(CurveStepCountForLength(0.0F), 1);
  EXPECT_EQ(CurveStepCountForLength(0.39F), 1);
  EXPECT_EQ(CurveStepCountForLength(0.4F), 3);
  EXPECT_EQ(CurveStepCountForLength(0.99F), 3);
  EXPECT_EQ(CurveStepCountForLength(1.0F), 6);
  EXPECT_EQ(CurveStepCountForLength(5.99F), 6);
  EXPECT_EQ(CurveStepCountForLength(6.0F), 5);  // the rule drops below the short-curve count
  EXPECT_EQ(CurveStepCountForLength(100.0F), 20);
  EXPECT_EQ(CurveStepCountForLength(399.0F), 40);
}

TEST(CurveStepCount, LengthIsTheThreeDistanceSum) {
  // |P0P1| = 3, |P0P3| = 4, |P2P3| = 3 -> L = 10 -> trunc(2 sqrt(11)) = 6.
  EXPECT_EQ(CurveStepCount({0, 0}, {0, 3}, {4, 3}, {4, 0}), 6);
  // A degenerate curve with every point equal is one step.
  EXPECT_EQ(CurveStepCount({5, 5}, {5, 5}, {5, 5}, {5, 5}), 1);
}

TEST(CurveStepCount, UnboundedLengthsEndTheLoop) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(CurveStepCountForLength(inf), 1);
  EXPECT_EQ(CurveStepCountForLength(nan), 1);
  EXPECT_EQ(CurveStepCount({0, 0}, {nan, 0}, {1, 1}, {2, 2}), 1);
  EXPECT_EQ(CurveStepCount({-3e38F, 0}, {3e38F, 0}, {0, 0}, {3e38F, 0}), 1);  // overflows to inf
  EXPECT_EQ(CurveStepCountForLength(1e30F), kMaxCurveSteps);
}

TEST(CubicAxis, PowerFormHitsTheEndPoints) {
  CubicAxis axis = CubicAxis::From(1.0F, 4.0F, -2.0F, 7.0F);
  EXPECT_FLOAT_EQ(axis.At(0.0F), 1.0F);
  EXPECT_FLOAT_EQ(axis.At(1.0F), 7.0F);
  // Bezier at t = 0.5: (1 + 3*4 + 3*(-2) + 7) / 8.
  EXPECT_FLOAT_EQ(axis.At(0.5F), 14.0F / 8.0F);
}

TEST(FixedText, MatchesPrintfByteForByte) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> wide(-5000.0F, 5000.0F);
  std::vector<double> values = {0.0,
                                -0.0,
                                0.005,
                                0.015,
                                0.125,
                                -0.004,
                                2.675,
                                1e-9,
                                12345.678,
                                1e20,
                                -1e20,
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity()};
  for (int i = 0; i < 20000; ++i) values.push_back(wide(random));
  for (double v : values) {
    char expected2[512], expected6[512];
    std::snprintf(expected2, sizeof expected2, "%.2f", v);
    std::snprintf(expected6, sizeof expected6, "%f", v);
    std::string two, six;
    AppendFixed2(two, v);
    AppendFixed6(six, v);
    ASSERT_EQ(two, expected2) << v;
    ASSERT_EQ(six, expected6) << v;
  }
}

TEST(FixedText, SinglePrecisionPathMatchesPrintfIncludingTies) {
  std::mt19937 random(11);
  std::uniform_int_distribution<std::uint32_t> bits;
  std::vector<float> values = {0.0F,       -0.0F,
                               0.125F,     0.375F,
                               -0.625F,    2.675F,
                               0.005F,     -0.004F,
                               9999999.0F, 1e7F,
                               3e38F,      1e-30F,
                               -1e-30F,    std::numeric_limits<float>::denorm_min()};
  for (int i = 0; i < 200000; ++i) {
    std::uint32_t word = bits(random);
    float f;
    std::memcpy(&f, &word, sizeof f);
    values.push_back(f);
    values.push_back(static_cast<float>(static_cast<int>(word % 2000000U) - 1000000) / 128.0F);
  }
  for (float v : values) {
    char expected[512];
    std::snprintf(expected, sizeof expected, "%.2f", static_cast<double>(v));
    std::string text;
    AppendFixed2(text, v);
    ASSERT_EQ(text, expected) << v;
  }
}

}  // namespace
}  // namespace orvex
