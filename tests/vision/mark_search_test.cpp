// Mark search: the drawn edge cases, realistic rendered marks, and the attempt count's time-out.
#include "vision/mark_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "vision_test_support.h"

namespace orvex::test {
namespace {

MarkPoint Locate(const CameraFrame& frame) {
  return LocateMark(frame, false);
}

TEST(MarkSearch, FindsTheReferenceSquareAndResetsTheCount) {
  const CameraFrame frame = FrameWithSquare(300, 200, 46);
  RunContext context;
  context.searchAttempts = 12;
  RecordingActions actions;
  const MarkPoint found = FindMark(frame, context, actions);
  EXPECT_FLOAT_EQ(found.col, 322.0F);
  EXPECT_FLOAT_EQ(found.row, 223.0F);
  EXPECT_EQ(context.searchAttempts, 0);
  EXPECT_TRUE(actions.log.empty());

  const ColumnRecord column = AnalyseColumn(frame, 318, false);
  EXPECT_EQ(column.threshold, 108);  // 4 x (mark bin 0 + paper bin 27)
  EXPECT_EQ(column.top, 200);
  EXPECT_EQ(column.length, 46);
  EXPECT_EQ(AnalyseColumn(frame, 120, false).threshold, 0);  // paper only
}

TEST(MarkSearch, RowLimitsOfTheRunScan) {
  EXPECT_FALSE(Locate(FrameWithSquare(300, 108, 46)).Found());
  const MarkPoint high = Locate(FrameWithSquare(300, 112, 46));
  EXPECT_FLOAT_EQ(high.row, 135.0F);
  const MarkPoint low = Locate(FrameWithSquare(300, 330, 46));
  EXPECT_FLOAT_EQ(low.row, 353.0F);
  EXPECT_FALSE(Locate(FrameWithSquare(300, 334, 46)).Found());
}

TEST(MarkSearch, ColumnLimitsOfTheSearchWindow) {
  const MarkPoint left = Locate(FrameWithSquare(110, 200, 46));
  ASSERT_TRUE(left.Found());
  EXPECT_NEAR(left.col, 132.5F, 0.6F);
  EXPECT_FALSE(Locate(FrameWithSquare(100, 200, 46)).Found());
  EXPECT_FALSE(Locate(FrameWithSquare(500, 200, 46)).Found());
}

TEST(MarkSearch, SizeLimits) {
  EXPECT_FALSE(Locate(FrameWithSquare(300, 200, 42)).Found());
  for (int size : {43, 46, 60, 70, 71}) {
    const MarkPoint found = Locate(FrameWithSquare(300, 200, size));
    ASSERT_TRUE(found.Found()) << size;
    EXPECT_NEAR(found.row, 200.0F + static_cast<float>(size) / 2.0F, 0.01F) << size;
    EXPECT_NEAR(found.col, 300.0F + static_cast<float>(size - 1) / 2.0F, 0.6F) << size;
  }
  EXPECT_FALSE(Locate(FrameWithSquare(300, 200, 72)).Found());

  CameraFrame tall = UniformFrame(220);
  FillRect(tall, 300, 200, 46, 80, 20);
  EXPECT_FALSE(Locate(tall).Found());
}

TEST(MarkSearch, LowContrastAndTwoSquares) {
  EXPECT_FALSE(Locate(FrameWithSquare(300, 200, 46, 150, 110)).Found());
  EXPECT_EQ(AnalyseColumn(FrameWithSquare(300, 200, 46, 150, 110), 318, false).threshold, 72);

  CameraFrame pair = FrameWithSquare(200, 200, 46);
  FillRect(pair, 400, 200, 46, 46, 20);
  EXPECT_FALSE(Locate(pair).Found());

  CameraFrame offset = FrameWithSquare(200, 200, 46);
  FillRect(offset, 400, 260, 46, 46, 20);
  const MarkPoint found = Locate(offset);
  EXPECT_FLOAT_EQ(found.col, 222.0F);
  EXPECT_FLOAT_EQ(found.row, 223.0F);
}

TEST(MarkSearch, LightSquareOnlyDuringACalibrationRead) {
  const CameraFrame cut = FrameWithSquare(300, 200, 46, 20, 220);
  EXPECT_FALSE(Locate(cut).Found());
  const MarkPoint found = LocateMark(cut, true);
  EXPECT_FLOAT_EQ(found.col, 322.0F);
  EXPECT_FLOAT_EQ(found.row, 223.0F);

  RunContext context;
  context.calibrationRead = 1;
  RecordingActions actions;
  EXPECT_TRUE(FindMark(cut, context, actions).Found());
}

TEST(MarkSearch, NonStandardFramesAreNeverRead) {
  CameraFrame small = FrameWithSquare(300, 200, 46);
  small.bytes.resize(kFrameBytes / 4);  // a 320x240 delivery that kept the 640x480 size
  EXPECT_FALSE(Locate(small).Found());
  EXPECT_EQ(AnalyseColumn(small, 318, false).threshold, 0);

  CameraFrame relabelled = FrameWithSquare(300, 200, 46);
  relabelled.width = 320;
  relabelled.height = 240;
  RunContext context;
  RecordingActions actions;
  EXPECT_FALSE(FindMark(relabelled, context, actions).Found());
  EXPECT_EQ(context.searchAttempts, 1);  // it still counts towards the time-out
}

TEST(MarkSearch, TheSixtySixthMissGivesUpInOrderAndStartsCountingAgain) {
  const CameraFrame paper = UniformFrame(220);
  RunContext context;
  context.waitingForMark = 1;
  RecordingActions actions;
  actions.sheets = 2;
  for (int i = 0; i < 65; ++i) FindMark(paper, context, actions);
  EXPECT_TRUE(actions.log.empty());
  EXPECT_EQ(context.searchAttempts, 65);

  FindMark(paper, context, actions);
  const std::vector<std::string> expected = {"feeder " + std::string(kCuttingNotice) + " 100",
                                             "message Marker not found timeout", "command 119",
                                             "finish"};
  EXPECT_EQ(actions.log, expected);
  EXPECT_EQ(context.waitingForMark, 0);
  EXPECT_EQ(context.searchAttempts, 0);  // the analysis of this frame failed after the reset

  // With one sheet done the run goes on; a find in between resets the count.
  actions.log.clear();
  actions.sheets = 1;
  for (int i = 0; i < 40; ++i) FindMark(paper, context, actions);
  FindMark(FrameWithSquare(300, 200, 46), context, actions);
  for (int i = 0; i < 65; ++i) FindMark(paper, context, actions);
  EXPECT_TRUE(actions.log.empty());
  FindMark(paper, context, actions);
  EXPECT_EQ(actions.log.size(), 3U);
  EXPECT_EQ(actions.log.back(), "command 119");
}

TEST(MarkSearch, ACalibrationReadNeverCarriesOutTheRunsTimeOut) {
  RunContext context;
  context.calibrationRead = 1;
  context.searchAttempts = 65;
  context.waitingForMark = 1;
  RecordingActions actions;
  actions.sheets = 3;
  FindMark(UniformFrame(20), context, actions);
  EXPECT_TRUE(actions.log.empty());
  EXPECT_EQ(context.waitingForMark, 1);
}

// --- Realistic marks -------------------------------------------------------------------------

// Paper under a slight illumination gradient, as grey values before noise.
double Paper(int c, int r) {
  return 200.0 + 25.0 * c / kFrameWidth - 12.0 * r / kFrameHeight;
}

void PutGrey(CameraFrame& frame, int c, int r, double value,
             std::normal_distribution<double>& noise, std::mt19937& random) {
  std::uint8_t* p = frame.bytes.data() + static_cast<std::size_t>(r) * kFrameStride +
                    static_cast<std::size_t>(c) * 3;
  for (int channel = 0; channel < 3; ++channel) {
    p[channel] =
        static_cast<std::uint8_t>(std::lround(std::clamp(value + noise(random), 0.0, 255.0)));
  }
}

// The noisy paper, drawn once: rendering a whole frame per placement would dominate the test.
const CameraFrame& NoisyPaper() {
  static const CameraFrame paper = [] {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 3.0);
    CameraFrame frame = MakeStandardFrame();
    for (int r = 0; r < kFrameHeight; ++r) {
      for (int c = 0; c < kFrameWidth; ++c) PutGrey(frame, c, r, Paper(c, r), noise, random);
    }
    return frame;
  }();
  return paper;
}

// A dark square covering the continuous area [x0, x0 + size] x [y0, y0 + size], where pixel
// (c, r) covers [c - 0.5, c + 0.5] x [r - 0.5, r + 0.5], blurred by a Gaussian of `sigma`, with
// fresh sensor noise around it.
CameraFrame RenderMark(double x0, double y0, double size, double sigma, std::mt19937& random) {
  constexpr double kInk = 28.0;
  constexpr int kRadius = 4;
  constexpr int kMargin = 8;
  const int left = static_cast<int>(x0) - kMargin;
  const int top = static_cast<int>(y0) - kMargin;
  const int width = static_cast<int>(size) + 2 * kMargin + 2;
  const auto overlap = [](double lo, double hi, int pixel) {
    return std::max(0.0, std::min(hi, pixel + 0.5) - std::max(lo, pixel - 0.5));
  };
  const auto index = [width](int c, int r) {
    return static_cast<std::size_t>(r) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(c);
  };
  std::vector<double> sharp(static_cast<std::size_t>(width) * width);
  for (int r = 0; r < width; ++r) {
    for (int c = 0; c < width; ++c) {
      const double cover = overlap(x0, x0 + size, left + c) * overlap(y0, y0 + size, top + r);
      sharp[index(c, r)] = Paper(left + c, top + r) * (1.0 - cover) + kInk * cover;
    }
  }
  std::vector<double> kernel;
  double total = 0.0;
  for (int i = -kRadius; i <= kRadius; ++i) {
    kernel.push_back(std::exp(-(i * i) / (2.0 * sigma * sigma)));
    total += kernel.back();
  }
  for (double& k : kernel) k /= total;
  const auto blurred = [&](const std::vector<double>& in, bool alongRows) {
    std::vector<double> out = in;
    for (int r = kRadius; r < width - kRadius; ++r) {
      for (int c = kRadius; c < width - kRadius; ++c) {
        double sum = 0.0;
        for (int i = -kRadius; i <= kRadius; ++i) {
          sum += kernel[static_cast<std::size_t>(i + kRadius)] *
                 (alongRows ? in[index(c + i, r)] : in[index(c, r + i)]);
        }
        out[index(c, r)] = sum;
      }
    }
    return out;
  };
  const std::vector<double> image = blurred(blurred(sharp, true), false);
  CameraFrame frame = NoisyPaper();
  std::normal_distribution<double> noise(0.0, 3.0);
  for (int r = kRadius; r < width - kRadius; ++r) {
    for (int c = kRadius; c < width - kRadius; ++c) {
      PutGrey(frame, left + c, top + r, image[index(c, r)], noise, random);
    }
  }
  return frame;
}

TEST(MarkSearch, RealisticMarksAreFoundWithinAPixel) {
  std::mt19937 random(20261207);
  std::uniform_real_distribution<double> sizes(46.0, 71.0);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::uniform_real_distribution<double> blur(0.6, 1.4);
  constexpr int kPlacements = 200;
  int within = 0;
  double worst = 0.0;
  for (int i = 0; i < kPlacements; ++i) {
    const double size = sizes(random);
    // Inside the search window: columns 120..519, and rows that leave the run scan (80..379)
    // more than 30 light rows above the mark and a light row below it.
    const double x0 = 124.0 + unit(random) * (515.0 - size - 124.0);
    const double y0 = 115.0 + unit(random) * (376.0 - size - 115.0);
    const CameraFrame frame = RenderMark(x0, y0, size, blur(random), random);
    const MarkPoint found = LocateMark(frame, false);
    const double dc = found.col - (x0 + size / 2.0);
    const double dr = found.row - (y0 + size / 2.0);
    const double error = std::hypot(dc, dr);
    if (found.Found() && error <= 1.0) ++within;
    if (found.Found()) worst = std::max(worst, error);
  }
  RecordProperty("within_one_pixel", within);
  RecordProperty("worst_error_milli_pixels", static_cast<int>(worst * 1000.0));
  EXPECT_GE(within, kPlacements * 98 / 100) << "worst error of a find: " << worst;
}

}  // namespace
}  // namespace orvex::test
