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
// A cut whose ends meet this closely encloses what it cut out.
constexpr double kClosedWithinMm = 0.2;

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

SimCamera::~SimCamera() {
  Stop();
}

std::vector<CaptureDeviceInfo> SimCamera::ListDevices() {
  if (!settings_.present) return {};
  return {CaptureDeviceInfo{settings_.devicePath, settings_.friendlyName}};
}

int SimCamera::Start(const CaptureDeviceInfo& device, FrameSink& sink, int& frameWidth,
                     int& frameHeight) {
  Stop();  // a new start replaces the stream, a failed one leaves none
  if (!settings_.present || device.devicePath != settings_.devicePath) return -1;
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
  frameEvent_ =
      clock_.ScheduleAfter(std::max(1, settings_.framePeriodMs), [this] { DeliverFrame(); });
  if (!settings_.present || !settings_.deliversFrames || sink_ == nullptr) return;
  if (!sink_->WantsFrame()) return;
  Render(frame_);
  ++framesDelivered_;
  sink_->OnFrame(static_cast<double>(clock_.NowMs()) / 1000.0, frame_.data(), frame_.size());
}

void SimCamera::NoteLook() {
  const MachinePoint axis = ViewCentre();
  if (axis.y < 0.0 || axis.y > bed_.supply.feedIn.mediaWidthMm) {
    bed_.NoteProblem("the camera looked off the media at cross " + std::to_string(axis.y) +
                     " mm (head at " + std::to_string(bed_.head.x) + ", " +
                     std::to_string(bed_.head.y) + " mm, " + std::to_string(clock_.NowMs()) +
                     " ms)");
  }
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

// Rows are counted the way the mark search counts a dark run: row r spans [r, r + 1), so its
// centre lies at r + 0.5; columns have their centres at whole numbers.
void SimCamera::RenderCoverage(std::vector<float>& coverage, Box& inked) const {
  const PlacedSheet* sheet = bed_.SheetOnBed();
  auto cover = [&coverage, &inked](int col, int row, double value) {
    if (value <= 0.0) return;
    float& cell = coverage[static_cast<std::size_t>(row) * kWidth + col];
    cell = std::max(cell, static_cast<float>(std::min(1.0, value)));
    inked.Add(col, row);
  };
  auto clampBox = [](double minC, double maxC, double minR, double maxR, int& c0, int& c1, int& r0,
                     int& r1) {
    // Clamped as doubles first: a sheet far from the camera gives coordinates no int holds.
    if (!(maxC >= 0.0 && minC <= kWidth - 1.0 && maxR >= 0.0 && minR <= kHeight)) return false;
    c0 = static_cast<int>(std::floor(std::max(minC, 0.0)));
    c1 = static_cast<int>(std::ceil(std::min(maxC, kWidth - 1.0)));
    r0 = static_cast<int>(std::floor(std::max(minR - 0.5, 0.0)));
    r1 = static_cast<int>(std::ceil(std::min(maxR - 0.5, kHeight - 1.0)));
    return c0 <= c1 && r0 <= r1;
  };

  auto fillPolygon = [&](const std::vector<PixelPoint>& poly) {
    double minC = 1e9, maxC = -1e9, minR = 1e9, maxR = -1e9;
    for (const PixelPoint& p : poly) {
      minC = std::min(minC, p.col);
      maxC = std::max(maxC, p.col);
      minR = std::min(minR, p.row);
      maxR = std::max(maxR, p.row);
    }
    int c0 = 0, c1 = 0, r0 = 0, r1 = 0;
    if (!clampBox(minC - 2, maxC + 2, minR - 2, maxR + 2, c0, c1, r0, r1)) return;
    for (int row = r0; row <= r1; ++row) {
      for (int col = c0; col <= c1; ++col) {
        cover(col, row, 0.5 - SignedDistance(poly, col, row + 0.5));
      }
    }
  };

  if (sheet == nullptr) {
    // The film on the bare bed: every closed cut made into it is a hole.
    for (const CutStroke& stroke : bed_.Cuts()) {
      if (stroke.sheet != -1 || stroke.points.size() < 4) continue;
      const MachinePoint& first = stroke.points.front();
      const MachinePoint& last = stroke.points.back();
      if (std::hypot(first.x - last.x, first.y - last.y) > kClosedWithinMm) continue;
      std::vector<PixelPoint> poly;
      for (std::size_t i = 0; i + 1 < stroke.points.size(); ++i) {
        poly.push_back(Predict(JobPoint{stroke.points[i].x, stroke.points[i].y}));
      }
      fillPolygon(poly);
    }
    return;
  }
  if (sheet->Placement().faceDown) return;
  const PrintedJob& job = sheet->Job();

  if (settings_.showsMarks) {
    const double h = job.markSizeMm / 2.0;
    for (const PrintedMark& mark : job.marks) {
      if (mark.print == MarkPrint::kMissing) continue;
      const JobPoint c = mark.centre;
      // A half-printed mark keeps the half nearer the far media edge.
      const double bHigh = mark.print == MarkPrint::kHalf ? c.b : c.b + h;
      const std::array<JobPoint, 4> corners = {JobPoint{c.a - h, c.b - h},
                                               JobPoint{c.a + h, c.b - h}, JobPoint{c.a + h, bHigh},
                                               JobPoint{c.a - h, bHigh}};
      std::vector<PixelPoint> poly;
      for (const JobPoint& corner : corners) poly.push_back(Predict(corner));
      fillPolygon(poly);
    }
  }

  const double halfWidth = job.lineWidthMm / 2.0 / Scale();
  const double reach = halfWidth + 1.0;
  for (const PrintedContour& contour : job.contours) {
    for (std::size_t i = 0; i + 1 < contour.points.size(); ++i) {
      const PixelPoint p = Predict(contour.points[i]);
      const PixelPoint q = Predict(contour.points[i + 1]);
      int c0 = 0, c1 = 0, r0 = 0, r1 = 0;
      if (!clampBox(std::min(p.col, q.col) - reach, std::max(p.col, q.col) + reach,
                    std::min(p.row, q.row) - reach, std::max(p.row, q.row) + reach, c0, c1, r0,
                    r1)) {
        continue;
      }
      for (int row = r0; row <= r1; ++row) {
        for (int col = c0; col <= c1; ++col) {
          cover(col, row, halfWidth + 0.5 - SegmentDistance(p, q, col, row + 0.5));
        }
      }
    }
  }
}

void SimCamera::Render(std::vector<std::uint8_t>& bytes) {
  const std::size_t pixels = static_cast<std::size_t>(kWidth) * kHeight;
  // Where no sheet lies the camera sees the bed's dark film; what is cut out of it shows light.
  const bool film = bed_.SheetOnBed() == nullptr;
  const int ground = film ? settings_.filmGrey : settings_.paperGrey;
  const std::string key =
      std::to_string(film) + '/' + std::to_string(settings_.filmGrey) + '/' +
      std::to_string(settings_.mpix) + '/' + std::to_string(settings_.paperGrey) + '/' +
      std::to_string(settings_.inkGrey) + '/' + std::to_string(settings_.gradient) + '/' +
      std::to_string(settings_.blurSigmaPx) + '/' + std::to_string(settings_.showsMarks) + '/' +
      std::to_string(settings_.noiseSigma) + '/' + std::to_string(settings_.bedGrey);
  if (key != cleanKey_) {
    noise_.clear();
    // Paper under the light, which falls off towards one corner. A linear fall-off is its own
    // blur, so the paper needs none.
    background_.resize(pixels);
    light_.resize(pixels);
    const double paper = ground;
    for (int row = 0; row < kHeight; ++row) {
      for (int col = 0; col < kWidth; ++col) {
        const double light =
            1.0 - settings_.gradient / std::max(1.0, paper) *
                      (0.5 + ((col - kCentreCol) / kWidth + (row - kCentreRow) / kHeight) / 2.0);
        const std::size_t at = static_cast<std::size_t>(row) * kWidth + col;
        light_[at] = static_cast<float>(light);
        background_[at] = static_cast<float>(light * paper);
      }
    }
    cleanValid_ = false;
    cleanKey_ = key;
  }
  const MachinePoint centre = ViewCentre();
  const int sheetIndex = bed_.SheetIndexOnBed();
  const std::size_t cuts = film ? bed_.Cuts().size() : 0;
  if (!cleanValid_ || centre.x != cleanCentre_.x || centre.y != cleanCentre_.y ||
      sheetIndex != cleanSheet_ || cuts != cleanCuts_) {
    clean_ = background_;
    if (!film) RenderBed(centre);
    coverage_.assign(pixels, 0.0F);
    Box inked;
    RenderCoverage(coverage_, inked);
    if (!inked.Empty()) {
      // Only the inked part of the frame differs from the paper: darken and blur it there.
      const double sigma = settings_.blurSigmaPx;
      const int radius = sigma > 0.05 ? std::max(1, static_cast<int>(std::ceil(3.0 * sigma))) : 0;
      const int c0 = std::max(0, inked.c0 - radius);
      const int c1 = std::min(kWidth - 1, inked.c1 + radius);
      const int r0 = std::max(0, inked.r0 - radius);
      const int r1 = std::min(kHeight - 1, inked.r1 + radius);
      // Ink darkens the paper; a hole in the film lets the light bed through.
      const float depth = static_cast<float>(film ? settings_.filmGrey - settings_.paperGrey
                                                  : settings_.paperGrey - settings_.inkGrey);
      std::vector<float> kernel(static_cast<std::size_t>(2 * radius + 1), 1.0F);
      if (radius > 0) {
        float sum = 0.0F;
        for (int k = -radius; k <= radius; ++k) {
          kernel[static_cast<std::size_t>(k + radius)] =
              static_cast<float>(std::exp(-0.5 * k * k / (sigma * sigma)));
          sum += kernel[static_cast<std::size_t>(k + radius)];
        }
        for (float& k : kernel) k /= sum;
      }
      const int w = c1 - c0 + 1;
      const int hgt = r1 - r0 + 1;
      std::vector<float> ink(static_cast<std::size_t>(w) * hgt);
      for (int row = r0; row <= r1; ++row) {
        for (int col = c0; col <= c1; ++col) {
          const std::size_t at = static_cast<std::size_t>(row) * kWidth + col;
          ink[static_cast<std::size_t>(row - r0) * w + (col - c0)] =
              light_[at] * depth * coverage_[at];
        }
      }
      std::vector<float> pass(ink.size(), 0.0F);
      for (int y = 0; y < hgt; ++y) {
        for (int x = 0; x < w; ++x) {
          float v = 0.0F;
          for (int k = -radius; k <= radius; ++k) {
            const int xx = x + k;
            if (xx < 0 || xx >= w) continue;
            v += kernel[static_cast<std::size_t>(k + radius)] *
                 ink[static_cast<std::size_t>(y) * w + xx];
          }
          pass[static_cast<std::size_t>(y) * w + x] = v;
        }
      }
      for (int y = 0; y < hgt; ++y) {
        for (int x = 0; x < w; ++x) {
          float v = 0.0F;
          for (int k = -radius; k <= radius; ++k) {
            const int yy = y + k;
            if (yy < 0 || yy >= hgt) continue;
            v += kernel[static_cast<std::size_t>(k + radius)] *
                 pass[static_cast<std::size_t>(yy) * w + x];
          }
          clean_[static_cast<std::size_t>(y + r0) * kWidth + (x + c0)] -= v;
        }
      }
    }
    cleanValid_ = true;
    cleanCentre_ = centre;
    cleanSheet_ = sheetIndex;
    cleanCuts_ = cuts;
  }

  // Sensor noise from a table made once, read from a new place each frame.
  const bool noisy = settings_.noiseSigma > 0.0;
  if (noisy && noise_.empty()) {
    noise_.resize(kNoiseTable);
    // The sum of three uniforms is close enough to a normal for sensor noise; its variance is
    // three twelfths of the squared span, so the span is 2 sigma.
    const double span = 2.0 * settings_.noiseSigma;
    for (float& n : noise_) {
      const double u =
          static_cast<double>(NextRandom() + NextRandom() + NextRandom()) / 16777216.0 - 1.5;
      n = static_cast<float>(u * span);
    }
  }
  const std::size_t offset = static_cast<std::size_t>(NextRandom()) & (kNoiseTable - 1);
  bytes.resize(pixels * 3);
  std::uint8_t* out = bytes.data();
  const float* clean = clean_.data();
  const float* noise = noise_.data();
  for (std::size_t at = 0; at < pixels; ++at) {
    float v = clean[at] + (noisy ? noise[(offset + at) & (kNoiseTable - 1)] : 0.0F) + 0.5F;
    v = v < 0.0F ? 0.0F : (v > 255.0F ? 255.0F : v);
    const auto grey = static_cast<std::uint8_t>(v);
    out[0] = grey;
    out[1] = grey;
    out[2] = grey;
    out += 3;
  }
}

// The paper's border is drawn sharp: a real sheet's cut edge is far crisper than the lens's
// blur of printed ink, and the edge search sums three pixels on either side anyway.
void SimCamera::RenderBed(MachinePoint centre) {
  const PlacedSheet* sheet = bed_.SheetOnBed();
  const PrintedJob* job = sheet != nullptr ? &sheet->Job() : bed_.supply.job.get();
  if (job == nullptr || !job->sheet.known) return;
  const float bed = static_cast<float>(settings_.bedGrey);
  const double s = Scale();
  for (int row = 0; row < kHeight; ++row) {
    const double x = centre.x + (row + 0.5 - kCentreRow) * s;
    for (int col = 0; col < kWidth; ++col) {
      const MachinePoint m{x, centre.y - (col - kCentreCol) * s};
      if (sheet != nullptr && job->sheet.Contains(sheet->ToJob(m))) continue;
      const std::size_t at = static_cast<std::size_t>(row) * kWidth + col;
      clean_[at] = light_[at] * bed;
    }
  }
}

std::uint64_t SimCamera::NextRandom() {
  // xorshift64*: cheap, and a fixed seed gives the same noise every run. 24 bits.
  noiseState_ ^= noiseState_ >> 12;
  noiseState_ ^= noiseState_ << 25;
  noiseState_ ^= noiseState_ >> 27;
  return (noiseState_ * 0x2545F4914F6CDD1DULL) >> 40;
}

}  // namespace orvex::sim
