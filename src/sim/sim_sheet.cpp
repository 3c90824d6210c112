// Reading the job's printed geometry back from the working files, and placing a sheet.
#include "sim/sim_sheet.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace orvex::sim {
namespace {

constexpr double kPi = 3.14159265358979323846;

bool ReadWholeFile(const std::filesystem::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

// A cursor over a text with the record files' number syntax (what "%f" accepts).
class TextCursor {
 public:
  explicit TextCursor(const std::string& text) : text_(text) {}

  void SkipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool AtEnd() {
    SkipSpace();
    return pos_ >= text_.size();
  }
  char NextChar() { return text_[pos_++]; }
  std::size_t Position() const { return pos_; }

  bool Number(double& value) {
    SkipSpace();
    if (pos_ >= text_.size()) return false;
    // strtod needs a terminated string; numbers in these files are short.
    std::string piece = text_.substr(pos_, 64);
    char* end = nullptr;
    value = std::strtod(piece.c_str(), &end);
    if (end == piece.c_str() || !std::isfinite(value)) return false;
    pos_ += static_cast<std::size_t>(end - piece.c_str());
    return true;
  }

 private:
  const std::string& text_;
  std::size_t pos_ = 0;
};

void FinishContour(PrintedContour& current, std::vector<PrintedContour>& out) {
  if (current.points.size() >= 2) out.push_back(std::move(current));
  current = PrintedContour{};
}

}  // namespace

JobLoad ParsePrintedJob(const std::string& sortText, const std::string& marksText) {
  JobLoad result;
  TextCursor sort(sortText);
  PrintedContour current;
  while (!sort.AtEnd()) {
    const std::size_t at = sort.Position();
    const char letter = sort.NextChar();
    if (letter == 'A') {
      FinishContour(current, result.job.contours);
      continue;
    }
    if (letter != 'M' && letter != 'O' && letter != 'L' && letter != 'C') {
      result.message =
          "sort.prn: unknown record '" + std::string(1, letter) + "' at byte " + std::to_string(at);
      return result;
    }
    JobPoint p;
    if (!sort.Number(p.a) || !sort.Number(p.b)) {
      result.message = "sort.prn: record '" + std::string(1, letter) + "' at byte " +
                       std::to_string(at) + " lacks its two coordinates";
      return result;
    }
    if (letter == 'M' || letter == 'O') {
      FinishContour(current, result.job.contours);
      current.closed = letter == 'M';
    }
    current.points.push_back(p);
  }
  FinishContour(current, result.job.contours);

  TextCursor marks(marksText);
  double values[4] = {};
  for (double& v : values) {
    if (!marks.Number(v)) {
      result.message = "mk3.dat: the two mark positions are missing or unreadable";
      return result;
    }
  }
  result.job.marks.push_back(PrintedMark{JobPoint{values[0], values[1]}, MarkPrint::kFull});
  result.job.marks.push_back(PrintedMark{JobPoint{values[2], values[3]}, MarkPrint::kFull});
  result.ok = true;
  return result;
}

JobLoad LoadPrintedJob(const std::filesystem::path& workDir) {
  std::string sortText;
  std::string marksText;
  if (!ReadWholeFile(workDir / "sort.prn", sortText)) {
    JobLoad failed;
    failed.message = "sort.prn cannot be read in " + workDir.string();
    return failed;
  }
  if (!ReadWholeFile(workDir / "mk3.dat", marksText)) {
    JobLoad failed;
    failed.message = "mk3.dat cannot be read in " + workDir.string();
    return failed;
  }
  return ParsePrintedJob(sortText, marksText);
}

SheetPlacement SheetPlacement::Random(std::uint32_t seed, double maxOffsetMm, double maxRotationDeg,
                                      double maxStretch, JobPoint pivot) {
  // mt19937 is specified bit for bit, so a seed gives the same sheet on every platform; the
  // uniform draw is done by hand because the standard distributions are not.
  std::mt19937 engine(seed);
  auto uniform = [&engine](double bound) {
    const double unit = static_cast<double>(engine()) / 4294967295.0;  // [0, 1]
    return (2.0 * unit - 1.0) * bound;
  };
  SheetPlacement placement;
  placement.offsetFeedMm = uniform(maxOffsetMm);
  placement.offsetCrossMm = uniform(maxOffsetMm);
  placement.rotationDeg = uniform(maxRotationDeg);
  placement.feedScale = 1.0 + uniform(maxStretch);
  placement.pivot = pivot;
  return placement;
}

PlacedSheet::PlacedSheet(std::shared_ptr<const PrintedJob> job, SheetPlacement placement,
                         MachinePoint nominalOrigin, int number)
    : job_(std::move(job)),
      placement_(placement),
      origin_(nominalOrigin),
      number_(number),
      cos_(std::cos(placement.rotationDeg * kPi / 180.0)),
      sin_(std::sin(placement.rotationDeg * kPi / 180.0)) {
  if (!(placement_.feedScale > 0.0)) placement_.feedScale = 1.0;
}

// Face up, the job's feed coordinate runs towards -x and its cross coordinate towards -y (the
// far media edge is at the largest y), so a camera whose rows grow with x and whose columns
// grow towards -y sees the print the right way round. Face down the feed coordinate is mirrored.
MachinePoint PlacedSheet::ToMachine(JobPoint p) const {
  const SheetPlacement& s = placement_;
  const double da = p.a - s.pivot.a;
  const double db = p.b - s.pivot.b;
  const double u = s.pivot.a + s.offsetFeedMm + cos_ * da - sin_ * db;
  const double v = s.pivot.b + s.offsetCrossMm + sin_ * da + cos_ * db;
  const double feed = s.feedScale * u;
  return MachinePoint{s.faceDown ? origin_.x + feed : origin_.x - feed, origin_.y - v};
}

JobPoint PlacedSheet::ToJob(MachinePoint p) const {
  const SheetPlacement& s = placement_;
  const double u = (s.faceDown ? p.x - origin_.x : origin_.x - p.x) / s.feedScale;
  return FromSheetFeed(u, origin_.y - p.y);
}

JobPoint PlacedSheet::ToJobFromEndEdge(MachinePoint p) const {
  const SheetPlacement& s = placement_;
  const double feed = s.faceDown ? p.x - origin_.x : origin_.x - p.x;
  // The end edge's place along the feed before the stretch (at the job's b = 0 line), and how
  // far the stretch moved it: points beyond it are meant to lie unstretched from there.
  const JobPoint edge{job_->sheet.aMin, 0.0};
  const MachinePoint edgeOnMachine = ToMachine(edge);
  const double edgeFeed = s.faceDown ? edgeOnMachine.x - origin_.x : origin_.x - edgeOnMachine.x;
  const double edgeUnstretched = edgeFeed / s.feedScale;
  return FromSheetFeed(edgeUnstretched + (feed - edgeFeed), origin_.y - p.y);
}

JobPoint PlacedSheet::FromSheetFeed(double u, double v) const {
  const SheetPlacement& s = placement_;
  const double du = u - s.pivot.a - s.offsetFeedMm;
  const double dv = v - s.pivot.b - s.offsetCrossMm;
  return JobPoint{s.pivot.a + cos_ * du + sin_ * dv, s.pivot.b - sin_ * du + cos_ * dv};
}

}  // namespace orvex::sim
