// The simulated camera: rendering the sheet under the head and streaming the frames.
#include "sim/sim_camera.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orvex::sim {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kCentreCol = 320.0;
constexpr double kCentreRow = 240.0;

// Signed distance (pixels, negative inside) from a point to a convex polygon.
double SignedDistance(const std::vector<PixelPoint>& poly, double x, double y) {
  double area = 0.0;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const PixelPoint& p = poly[i];
    const PixelPoint& q = poly[(i + 1) % poly.size()];
    area += p.col * q.row - q.col * p.row;
  }
  const double orientation = area >= 0.0 ? 1.0 : -1.0;
  double worst = -1e9;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    const PixelPoint& p = poly[i];
    const PixelPoint& q = poly[(i + 1) % poly.size()];
    const double ex = q.col - p.col;
    const double ey = q.row - p.row;
    const double length = std::hypot(ex, ey);
    if (length == 0.0) continue;
    // Outward normal of a counter-clockwise edge is (ey, -ex).
    const double d = orientation * ((x - p.col) * ey - (y - p.row) * ex) / length;
    worst = std::max(worst, d);
  }
  return worst;
}

double SegmentDistance(PixelPoint p, PixelPoint q, double x, double y) {
  const double ex = q.col - p.col;
  const double ey = q.row - p.row;
  const double length2 = ex * ex + ey * ey;
  double t = length2 > 0.0 ? ((x - p.col) * ex + (y - p.row) * ey) / length2 : 0.0;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(x - (p.col + t * ex), y - (p.row + t * ey));
}

}  // namespace

SimCamera::SimCamera(SimClock& clock, SimBed& bed, SimCameraSettings settings)
    : clock_(clock), bed_(bed), settings_(std::move(settings)), noiseState_(settings_.noiseSeed) {
  if (noiseState_ == 0) noiseState_ = 0x9E3779B97F4A7C15ULL;
}

SimCamera::~SimCamera() { Stop(); }

std::vector<CaptureDeviceInfo> SimCamera::ListDevices() {
  if (!settings_.present) return {};
  return {CaptureDeviceInfo{settings_.devicePath, settings_.friendlyName}};
}

int SimCamera::Start(const CaptureDeviceInfo& device, FrameSink& sink, int& frameWidth,
                     int& frameHeight) {
  if (!settings_.present || device.devicePath != settings_.devicePath) return -1;
  Stop();
  sink_ = &sink;
  frameWidth = kWidth;
  frameHeight = kHeight;
  frameEvent_ = clock_.ScheduleAfter(settings_.framePeriodMs, [this] { DeliverFrame(); });
  return 0;
}

void SimCamera::Stop() {
  if (frameEvent_ != 0) clock_.Cancel(frameEvent_);
  frameEvent_ = 0;
  sink_ = nullptr;
}

bool SimCamera::ReadExposure(int& value) {
  if (!settings_.present) return false;
  value = -6;
  return true;
}

bool SimCamera::SetBrightness(int value) {
  if (!settings_.present) return false;
  brightness_ = value;
  return true;
}

void SimCamera::DeliverFrame() {
  frameEvent_ = clock_.ScheduleAfter(std::max(1, settings_.framePeriodMs), [this] { DeliverFrame(); });
  if (!settings_.present || !settings_.deliversFrames || sink_ == nullptr) return;
  Render(frame_);
  ++framesDelivered_;
  sink_->OnFrame(static_cast<double>(clock_.NowMs()) / 1000.0, frame_.data(), frame_.size());
}

MachinePoint SimCamera::ViewCentre() const {
  return MachinePoint{bed_.head.x + settings_.offsetFeedTenths / 10.0,
                      bed_.head.y + settings_.offsetCrossTenths / 10.0};
}

// Buffer rows follow the feed (a row further into the buffer looks further along +x), columns
// follow the sheet's cross coordinate (a column further right looks at a smaller machine y).
PixelPoint SimCamera::Predict(JobPoint p) const {
  const PlacedSheet* sheet = bed_.SheetOnBed();
  const MachinePoint m = sheet != nullptr ? sheet->ToMachine(p) : MachinePoint{p.a, p.b};
  const MachinePoint c = ViewCentre();
  const double s = Scale();
  return PixelPoint{kCentreCol + (c.y - m.y) / s, kCentreRow + (m.x - c.x) / s};
}

void SimCamera::RenderCoverage(std::vector<float>& coverage) const {
  coverage.assign(static_cast<std::size_t>(kWidth) * kHeight, 0.0F);
  const PlacedSheet* sheet = bed_.SheetOnBed();
  if (sheet == nullptr) return;
  const PrintedJob& job = sheet->Job();
  auto cover = [&coverage](int col, int row, double value) {
    if (col < 0 || col >= kWidth || row < 0 || row >= kHeight || value <= 0.0) return;
    float& cell = coverage[static_cast<std::size_t>(row) * kWidth + col];
    cell = std::max(cell, static_cast<float>(std::min(1.0, value)));
  };

  if (settings_.showsMarks) {
    const double h = job.markSizeMm / 2.0;
    for (const PrintedMark& mark : job.marks) {
      if (mark.print == MarkPrint::kMissing) continue;
      const JobPoint c = mark.centre;
      // A half-printed mark keeps the half nearer the far media edge.
      const double bHigh = mark.print == MarkPrint::kHalf ? c.b : c.b + h;
      const std::array<JobPoint, 4> corners = {JobPoint{c.a - h, c.b - h}, JobPoint{c.a + h, c.b - h},
                                               JobPoint{c.a + h, bHigh}, JobPoint{c.a - h, bHigh}};
      std::vector<PixelPoint> poly;
      double minC = 1e9, maxC = -1e9, minR = 1e9, maxR = -1e9;
      for (const JobPoint& corner : corners) {
        poly.push_back(Predict(corner));
        minC = std::min(minC, poly.back().col);
        maxC = std::max(maxC, poly.back().col);
        minR = std::min(minR, poly.back().row);
        maxR = std::max(maxR, poly.back().row);
      }
      if (maxC < -2 || minC > kWidth + 2 || maxR < -2 || minR > kHeight + 2) continue;
      const int c0 = std::max(0, static_cast<int>(std::floor(minC)) - 2);
      const int c1 = std::min(kWidth - 1, static_cast<int>(std::ceil(maxC)) + 2);
      const int r0 = std::max(0, static_cast<int>(std::floor(minR)) - 2);
      const int r1 = std::min(kHeight - 1, static_cast<int>(std::ceil(maxR)) + 2);
      for (int row = r0; row <= r1; ++row) {
        for (int col = c0; col <= c1; ++col) {
          cover(col, row, 0.5 - SignedDistance(poly, col, row));
        }
      }
    }
  }

  const double halfWidth = job.lineWidthMm / 2.0 / Scale();
  const double reach = halfWidth + 1.0;
  for (const PrintedContour& contour : job.contours) {
    for (std::size_t i = 0; i + 1 < contour.points.size(); ++i) {
      const PixelPoint p = Predict(contour.points[i]);
      const PixelPoint q = Predict(contour.points[i + 1]);
      const double minC = std::min(p.col, q.col) - reach;
      const double maxC = std::max(p.col, q.col) + reach;
      const double minR = std::min(p.row, q.row) - reach;
      const double maxR = std::max(p.row, q.row) + reach;
      if (maxC < 0 || minC > kWidth - 1 || maxR < 0 || minR > kHeight - 1) continue;
      const int c0 = std::max(0, static_cast<int>(std::floor(minC)));
      const int c1 = std::min(kWidth - 1, static_cast<int>(std::ceil(maxC)));
      const int r0 = std::max(0, static_cast<int>(std::floor(minR)));
      const int r1 = std::min(kHeight - 1, static_cast<int>(std::ceil(maxR)));
      for (int row = r0; row <= r1; ++row) {
        for (int col = c0; col <= c1; ++col) {
          cover(col, row, halfWidth + 0.5 - SegmentDistance(p, q, col, row));
        }
      }
    }
  }
}

void SimCamera::Render(std::vector<std::uint8_t>& bytes) {
  const MachinePoint centre = ViewCentre();
  const int sheetIndex = bed_.SheetIndexOnBed();
  const std::string key = std::to_string(settings_.mpix) + '/' + std::to_string(settings_.paperGrey) +
                          '/' + std::to_string(settings_.inkGrey) + '/' +
                          std::to_string(settings_.gradient) + '/' +
                          std::to_string(settings_.blurSigmaPx) + '/' +
                          std::to_string(settings_.showsMarks);
  if (!cleanValid_ || centre.x != cleanCentre_.x || centre.y != cleanCentre_.y ||
      sheetIndex != cleanSheet_ || key != cleanKey_) {
    std::vector<float> coverage;
    RenderCoverage(coverage);
    clean_.resize(coverage.size());
    const double paper = settings_.paperGrey;
    const double ink = settings_.inkGrey;
    for (int row = 0; row < kHeight; ++row) {
      for (int col = 0; col < kWidth; ++col) {
        // Light falls off towards one corner; ink and paper both see it.
        const double light =
            1.0 - settings_.gradient / std::max(1.0, paper) *
                      (0.5 + ((col - kCentreCol) / kWidth + (row - kCentreRow) / kHeight) / 2.0);
        const std::size_t at = static_cast<std::size_t>(row) * kWidth + col;
        clean_[at] = static_cast<float>(light * (paper - (paper - ink) * coverage[at]));
      }
    }
    // Separable Gaussian blur, edges clamped.
    const double sigma = settings_.blurSigmaPx;
    if (sigma > 0.05) {
      const int radius = std::max(1, static_cast<int>(std::ceil(3.0 * sigma)));
      std::vector<float> kernel(static_cast<std::size_t>(2 * radius + 1));
      float sum = 0.0F;
      for (int k = -radius; k <= radius; ++k) {
        kernel[static_cast<std::size_t>(k + radius)] =
            static_cast<float>(std::exp(-0.5 * k * k / (sigma * sigma)));
        sum += kernel[static_cast<std::size_t>(k + radius)];
      }
      for (float& k : kernel) k /= sum;
      std::vector<float> pass(clean_.size());
      for (int row = 0; row < kHeight; ++row) {
        for (int col = 0; col < kWidth; ++col) {
          float v = 0.0F;
          for (int k = -radius; k <= radius; ++k) {
            const int c = std::clamp(col + k, 0, kWidth - 1);
            v += kernel[static_cast<std::size_t>(k + radius)] *
                 clean_[static_cast<std::size_t>(row) * kWidth + c];
          }
          pass[static_cast<std::size_t>(row) * kWidth + col] = v;
        }
      }
      for (int row = 0; row < kHeight; ++row) {
        for (int col = 0; col < kWidth; ++col) {
          float v = 0.0F;
          for (int k = -radius; k <= radius; ++k) {
            const int r = std::clamp(row + k, 0, kHeight - 1);
            v += kernel[static_cast<std::size_t>(k + radius)] *
                 pass[static_cast<std::size_t>(r) * kWidth + col];
          }
          clean_[static_cast<std::size_t>(row) * kWidth + col] = v;
        }
      }
    }
    cleanValid_ = true;
    cleanCentre_ = centre;
    cleanSheet_ = sheetIndex;
    cleanKey_ = key;
  }

  bytes.resize(static_cast<std::size_t>(kWidth) * kHeight * 3);
  // xorshift64*: cheap, and a fixed seed gives the same noise every run.
  auto next = [this] {
    noiseState_ ^= noiseState_ >> 12;
    noiseState_ ^= noiseState_ << 25;
    noiseState_ ^= noiseState_ >> 27;
    return (noiseState_ * 0x2545F4914F6CDD1DULL) >> 40;  // 24 bits
  };
  // The sum of three uniforms is close enough to a normal for sensor noise; its variance is
  // three twelfths of the squared span, so the span is 2 sigma.
  const double span = 2.0 * settings_.noiseSigma;
  for (std::size_t at = 0; at < clean_.size(); ++at) {
    double noise = 0.0;
    if (span > 0.0) {
      const double u = static_cast<double>(next() + next() + next()) / 16777216.0 - 1.5;
      noise = u * span;
    }
    const auto grey = static_cast<std::uint8_t>(std::clamp(std::lround(clean_[at] + noise), 0L, 255L));
    bytes[at * 3] = grey;
    bytes[at * 3 + 1] = grey;
    bytes[at * 3 + 2] = grey;
  }
}

}  // namespace orvex::sim
