// The transmission of one sheet. Phase moves and the framing texts are formatted with printf
// rules; the per-point texts go through an integer formatter, since one is written per point of
// jobs of millions of points.
#include "run/cut_sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "core/frame_source.h"
#include "run/contour_records.h"

namespace orvex {
namespace {

constexpr char kEtx = '\x03';
constexpr float kCentreCol = 320.0F;
constexpr float kCentreRow = 240.0F;
// A mark further than this from the frame centre is first brought under it.
constexpr float kCentringTolerancePx = 14.0F;
// Positions beyond this many 0.01 mm (10 km) are no sheet's; a point that gives one is bad data.
constexpr double kMaxPositionHundredths = 1e9;
// No job is a kilometre long; extents beyond it are damaged values (and would not fit the
// integer fields of the framing texts).
constexpr float kMaxJobMm = 1e6F;

// Large enough for any double in "%2.1f" (309 digits), so a text is never cut short.
constexpr std::size_t kTextBuffer = 720;

std::string Printf(const char* format, double a) {
  char buffer[kTextBuffer];
  int n = std::snprintf(buffer, sizeof buffer, format, a);
  return std::string(buffer,
                     n > 0 ? static_cast<std::size_t>(std::min<int>(n, sizeof buffer - 1)) : 0);
}

std::string Printf(const char* format, double a, double b) {
  char buffer[kTextBuffer];
  int n = std::snprintf(buffer, sizeof buffer, format, a, b);
  return std::string(buffer,
                     n > 0 ? static_cast<std::size_t>(std::min<int>(n, sizeof buffer - 1)) : 0);
}

bool Finite(double v) {
  return std::isfinite(v);
}

long long Hundredths(double mm) {
  return static_cast<long long>(std::trunc(mm * 100.0));
}

void AppendUnsignedTenths(std::string& out, unsigned long long magnitude) {
  char digits[24];
  int n = 0;
  unsigned long long whole = magnitude / 10;
  do {
    digits[n++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  while (n > 0) out.push_back(digits[--n]);
  out.push_back('.');
  out.push_back(static_cast<char>('0' + magnitude % 10));
}

unsigned long long Magnitude(long long n) {
  return n < 0 ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
}

// Everything one call needs, gathered so that the steps below read like the sequence they are.
class SheetCut {
 public:
  SheetCut(RunContext& ctx, const WorkDir& dir, SheetCutFields& fields,
           const CutterCommandInputs& inputs, SheetCutPorts& ports)
      : ctx_(ctx), dir_(dir), fields_(fields), inputs_(inputs), ports_(ports) {}

  SheetCutResult Run() {
    if (ctx_.runPhase != 1 && ctx_.runPhase != 2) return result_;
    stream_ = ports_.cutter.OpenCutterStream();
    if (!MeasurementsUsable()) {
      Abandon();
    } else if (ctx_.runPhase == 1) {
      FirstMark();
    } else {
      SecondMarkAndCut();
    }
    ports_.cutter.CloseCutterStream(stream_);
    return result_;
  }

 private:
  void Send(std::string_view text) {
    if (ports_.cutter.WriteCutterStream(stream_, text) != 0) result_.streamLost = true;
  }

  double RowOffsetMm() const {
    return static_cast<double>(ctx_.markAcceptedRow - kCentreRow) * ctx_.markScale;
  }
  double ColOffsetMm() const {
    return static_cast<double>(ctx_.markAcceptedCol - kCentreCol) * ctx_.markScale;
  }
  bool OffCentre() const {
    return std::fabs(kCentreRow - ctx_.markAcceptedRow) > kCentringTolerancePx;
  }

  void FirstMark() {
    ctx_.secondMarkFeedCorrection = 0.0;
    if (OffCentre()) {
      ctx_.settleTicks = 10;
      Send(Printf("O%2.1f,0.0\x03", RowOffsetMm() * 10.0));
      // The run loop cleared the flag before calling; without it the mark is never sought again.
      ctx_.waitingForMark = 1;
      return;
    }
    ctx_.firstMarkFeedOffset = RowOffsetMm();
    ctx_.firstMarkCrossOffset = ColOffsetMm();
    ctx_.settleTicks = 15;
    // Towards the larger job coordinate, as every such move is sent.
    const float distance = (ctx_.firstMarkPos - ctx_.secondMarkPos) * 10.0F;
    if (ctx_.creasingVariant == 2) {
      Send(Printf("O%2.1f,-2030.0\x03", distance));
      ctx_.headCross = 110;
    } else {
      Send(Printf("O%2.1f,0.0\x03", distance));
    }
    ctx_.runPhase = 2;
    ctx_.waitingForMark = 1;
  }

  void SecondMarkAndCut() {
    if (fields_.withoutCropMarks) {
      ctx_.firstMarkFeedOffset = 0.0;
      ctx_.firstMarkCrossOffset = 0.0;
      // Nothing was measured on this sheet; a correction left from an earlier one would skew it.
      ctx_.secondMarkFeedCorrection = 0.0;
      ctx_.markAcceptedCol = kCentreCol;
      ctx_.markAcceptedRow = kCentreRow;
      if (ctx_.markMode == 2) {
        Send(Printf("O%2.1f,0.0\nTB51,12\n", static_cast<double>(ctx_.jobWidth * -10.0F)));
      } else {
        // Command 111 left the first mark's place under the camera, and the cut below counts the
        // camera as over the second mark's: the move between them is the marks' distance (a
        // fixed 25 mm in its place puts the cut 25 mm less the first mark's position off).
        Send(Printf("O%2.1f,0.0\x03",
                    static_cast<double>((ctx_.secondMarkPos - ctx_.firstMarkPos) * -10.0F)));
      }
      ctx_.waitingForMark = 0;
      ctx_.statusStep = 80;
    }
    if (OffCentre()) {
      ctx_.settleTicks = 15;
      const double offset = RowOffsetMm();
      // Each re-centring moves the sheet again; the sum of the moves is the correction.
      ctx_.secondMarkFeedCorrection += offset;
      Send(Printf("O%2.1f,0.0\x03", offset * 10.0));
      ctx_.waitingForMark = 1;
      return;
    }
    Measure();
    if (!GeometryUsable()) {
      Abandon();
      return;
    }
    SendCuttingNotice();

    std::string job;
    if (!ReadJob(job)) {
      ctx_.runPhase = -1;
      ctx_.waitingForMark = 0;
      ports_.events.ShowMessage(kGraphicSourceMissingMessage, MessageIcon::kError);
      result_.abandoned = true;
      ports_.events.FinishJob();
      return;
    }
    Stream(job);
    Finish();
  }

  void Measure() {
    // What the end search's re-centring moved the camera on from the second mark's place.
    const double recentredMm = ctx_.secondMarkFeedCorrection;
    ctx_.secondMarkFeedCorrection += RowOffsetMm();
    ctx_.secondMarkCrossOffset = ColOffsetMm();
    distance_ = static_cast<double>(ctx_.secondMarkPos - ctx_.firstMarkPos);
    const double width = 0.1 * fields_.compensationWidth;
    if (ctx_.edgeMode != 0) {
      feedScale_ = (distance_ + width) / distance_;
    } else {
      // A mark seen at a larger row lies at a smaller job coordinate: the second mark's offsets
      // (the re-centring moves and the last detection) shorten the measured distance, the first
      // mark's lengthens it.
      feedScale_ = (distance_ - ctx_.secondMarkFeedCorrection + ctx_.firstMarkFeedOffset + width) /
                   distance_;
    }
    // Two marks are two points the marks' distance apart, wherever the camera stood to read
    // them. A side edge is a line: its two readings lie as far apart as the camera travelled,
    // which in edge mode includes the re-centring on the end edge (up to 16 mm either way).
    const double between = ctx_.edgeMode != 0 ? distance_ - recentredMm : distance_;
    skewAngle_ = std::atan2(ctx_.secondMarkCrossOffset - ctx_.firstMarkCrossOffset, between);
    crossScale_ = (static_cast<double>(ctx_.jobHeight) + 0.1 * fields_.compensationHeight) /
                  static_cast<double>(ctx_.jobHeight);
    result_.feedScale = feedScale_;
    result_.crossScale = crossScale_;
    result_.skewAngle = skewAngle_;
  }

  // What both phases compute from: a sheet cannot be registered without a real mark distance
  // and job extents, and no move may be formatted from a value that is not a number.
  bool MeasurementsUsable() const {
    const double distance = static_cast<double>(ctx_.secondMarkPos - ctx_.firstMarkPos);
    // Without crop marks nothing was detected; the detection is replaced by the frame centre.
    const bool detected = ctx_.runPhase == 1 || !fields_.withoutCropMarks;
    return distance > 0.0 && distance < kMaxJobMm && ctx_.jobWidth > 0.0F &&
           ctx_.jobWidth < kMaxJobMm && ctx_.jobHeight > 0.0F && ctx_.jobHeight < kMaxJobMm &&
           Finite(ctx_.markScale) &&
           (!detected || (Finite(ctx_.markAcceptedCol) && Finite(ctx_.markAcceptedRow)));
  }

  // The correction itself, and what it carries over from the first mark.
  bool GeometryUsable() const {
    return Finite(feedScale_) && Finite(crossScale_) && Finite(skewAngle_) &&
           Finite(ctx_.firstMarkFeedOffset) && Finite(ctx_.firstMarkCrossOffset) &&
           Finite(ctx_.secondMarkFeedCorrection) && Finite(ctx_.firstMarkPos) &&
           Finite(ctx_.secondMarkPos);
  }

  void SendCuttingNotice() {
    ports_.feeder.FeederSend(0, reinterpret_cast<const std::uint8_t*>(kCuttingNotice.data()),
                             static_cast<int>(kCuttingNotice.size()), kCuttingNoticeTimeoutMs);
    ports_.feeder.FeederClose(0);
  }

  // Nothing on this sheet can be cut: the feeder is let go as when a mark is not found, the
  // cutter gets nothing, and the run ends.
  void Abandon() {
    SendCuttingNotice();
    ctx_.runPhase = -1;
    ctx_.waitingForMark = 0;
    ports_.events.ShowMessage(kGraphicSourceMissingMessage, MessageIcon::kError);
    result_.abandoned = true;
    ports_.events.FinishJob();
  }

  bool ReadJob(std::string& job) const {
    std::ifstream in(dir_.File(workfile::kSortOrdered), std::ios::binary);
    if (!in) return false;
    job.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
  }

  void SetP(double value) {
    P_ = value;
    p_ = Hundredths(P_);
  }

  void Stream(const std::string& job) {
    const bool dashed = inputs_.dashedLineOn;
    const bool model2 = ctx_.cutterModel == 2;
    const double markerDistance = inputs_.labelStep;

    // Cut origin.
    F0_ = (fields_.manualX + ctx_.cameraOffsetX) / 10.0;
    if (dashed && ctx_.creasingInstalled == 0) F0_ -= 5.0;
    C0_ = (fields_.manualY + ctx_.cameraOffsetY) / 10.0 + ctx_.firstMarkCrossOffset;
    if (ctx_.edgeMode != 0) {
      // The end edge's last offset is counted once, in the start position below.
      C0_ = C0_ + 2.0 + fields_.firstMarkerCross * ctx_.unitFactor;
      // The side edge was read in its own row, not at the first mark's place: along a skewed
      // edge that row stands (row - centre) x tan(skew) further across (0.09 mm at 0.4 degrees).
      C0_ -= (kSideEdgeRow - kCentreRow) * ctx_.markScale * std::tan(skewAngle_);
      F0_ = F0_ - 2.0 - markerDistance * ctx_.unitFactor;
    }

    // Start position: where the camera is on the sheet, the second mark and its last offset.
    P_ = ctx_.firstMarkPos + distance_ * feedScale_ + RowOffsetMm();
    ctx_.secondMarkFeedCorrection = RowOffsetMm();
    if (ctx_.markMode == 2) P_ = ctx_.jobWidth;
    Q_ = ctx_.headCross / 10.0;
    p_ = Hundredths(P_);
    q_ = Hundredths(Q_);

    ctx_.cutStartTime = ports_.clock.CalendarSeconds();
    ctx_.cutStartTick = ports_.clock.TickMs();

    const double mediaWidth = ctx_.mediaWidth;
    if (ctx_.markMode == 2) {
      Send(Printf("O%2.1f,%2.1f\n", (markerDistance - 30.0) * -10.0,
                  ((mediaWidth - ctx_.jobHeight) * 0.5 - Q_) * 10.0));
      Send("TB99\n");
      char framing[64];
      int n = std::snprintf(framing, sizeof framing, "TB24 %i %i\n",
                            static_cast<int>(std::trunc(ctx_.jobWidth * 10.0F)),
                            static_cast<int>(std::trunc(ctx_.jobHeight * 10.0F)));
      Send(std::string_view(framing, static_cast<std::size_t>(n)));
      Q_ = 0.0;
      q_ = 0;
      SetP(ctx_.jobWidth);
    }

    // Tool start: the blade, or the special-colour condition when the job has special contours.
    int toolState = 1;
    if (ctx_.specialMode == 2 && dashed && !model2) SetP(P_ + 5.0);
    std::string toolText = "TC1002,1,1\x03";
    if (ctx_.creasingInstalled != 0 && ctx_.specialMode < 2 && ctx_.cutterAnswered &&
        ctx_.cutTestArmed) {
      ctx_.headCross = 110;
      SelectBladeTool(ctx_, inputs_, ports_.cutter, ports_.clock);
    }
    if (ctx_.specialCount > 0) {
      char special[64];
      int n = std::snprintf(special, sizeof special, "TC1002,1,3\x03TC3,%i,3\x03",
                            fields_.specialForce);
      toolText.assign(special, static_cast<std::size_t>(n));
      if (ctx_.specialMode == 3 || ctx_.specialMode == 4) {
        CutterCommand(kSelectCreasingTool, ctx_, inputs_, ports_.cutter);
        SetP(P_ - (model2 ? 30.0 : 25.0));
        q_ = Hundredths(Q_);
      }
      toolState = 3;
      if (ctx_.specialMode == 0 && !dashed && !model2) SetP(P_ - 5.0);
    }
    Send(toolText);

    // Per-point constants.
    const double cosSkew = std::cos(skewAngle_);
    const double sinSkew = std::sin(skewAngle_);
    const double keystoneL = 0.1 * fields_.compensationL;
    const double keystoneR = 0.1 * fields_.compensationR;
    const float jobWidth = ctx_.jobWidth;
    const float jobHeight = ctx_.jobHeight;
    const float firstMarkPos = ctx_.firstMarkPos;
    const bool markMode2 = ctx_.markMode == 2;
    const long specialEnd = ctx_.specialEnd;

    ContourRecordReader reader(job);
    ContourRecord record;
    std::string text;
    text.reserve(48);
    while (reader.Next(record)) {
      if (toolState == 3 && static_cast<long long>(reader.Offset()) > specialEnd) {
        Send("TC1002,1,1\x03");
        toolState = 1;
        const int mode = ctx_.specialMode;
        if (!model2 && ((mode == 0 && !dashed) || (mode == 1 && dashed))) {
          SetP(P_ + 5.0);
        } else if (!model2 && mode == 2 && dashed) {
          SetP(P_ - 5.0);
        } else if (mode == 3 || mode == 4) {
          ctx_.headCross = static_cast<int>(std::trunc(Q_ * 10.0));
          SelectBladeTool(ctx_, inputs_, ports_.cutter, ports_.clock);
          SetP(P_ + (model2 ? 9.0 : 4.0));
          q_ = Hundredths(Q_);
        }
      }
      const char letter = record.letter;
      const bool move = letter == 'M' || letter == 'O';
      if (!move && !IsCutLetter(letter)) continue;  // A, and anything that is not a point
      if (record.values < 2) continue;              // a damaged record: no place to go to

      const float a = record.a;
      const float b = record.b;
      double targetP;
      double targetQ;
      if (markMode2) {
        // The job's border is the frame the cutter draws itself.
        if (std::fabs(a) < 0.01F || std::fabs(a - jobWidth) < 0.01F || std::fabs(b) < 0.01F ||
            std::fabs(b - jobHeight) < 0.01F) {
          continue;
        }
        targetP = a + 0.1 * fields_.manualX;
        targetQ = static_cast<double>(jobHeight - b) - 0.1 * fields_.manualY;
      } else {
        const double t = static_cast<double>(b - 2.0F) * crossScale_;
        const float u = jobWidth - a;
        const float v = b / jobHeight;
        const double k = keystoneL * static_cast<double>(u / jobWidth) * v +
                         keystoneR * static_cast<double>(a / jobWidth) * v +
                         static_cast<double>(a - firstMarkPos) * feedScale_;
        const double pf = k * cosSkew - t * sinSkew;
        const double pc = t * cosSkew + sinSkew * pf;
        targetP = pf + F0_ + firstMarkPos;
        targetQ = mediaWidth - (C0_ + pc);
      }
      const double hp = targetP * 100.0;
      const double hq = targetQ * 100.0;
      // A point that is no number, or no place on any sheet, is skipped: its record is damaged.
      if (!(std::fabs(hp) < kMaxPositionHundredths) || !(std::fabs(hq) < kMaxPositionHundredths)) {
        continue;
      }
      P_ = targetP;
      Q_ = targetQ;
      long long dp;
      long long dq;
      if (markMode2) {
        dp = static_cast<long long>(std::trunc(hp)) - p_;
        dq = static_cast<long long>(std::trunc(hq)) - q_;
      } else {
        dp = static_cast<long long>(std::trunc(hp - static_cast<double>(p_)));
        dq = static_cast<long long>(std::trunc(hq - static_cast<double>(q_)));
      }
      p_ += dp;
      q_ += dq;
      text.clear();
      text.push_back(move ? 'O' : 'E');
      AppendTenthsNegated(text, dp);
      text.push_back(',');
      AppendTenths(text, dq);
      text.push_back('\n');
      Send(text);
      ++result_.points;
    }

    if (markMode2) Send("TB0\n");
    // Clear the sheet: the head leaves the job behind it, across at 120 mm.
    const float further = std::max(ctx_.secondMarkPos, ctx_.jobWidth) + 140.0F;
    Send(Printf("O%2.1f,%2.1f\n", (further - P_) * -10.0, (120.0 - Q_) * 10.0));
    result_.streamed = true;
  }

  void Finish() {
    ctx_.runPhase = -1;
    if (ctx_.markMode == 2) CutterCommand(kReturnHome, ctx_, inputs_, ports_.cutter);
    if (result_.streamLost) {
      // Part of the sheet was never cut: it is no copy, and the run stops for the operator.
      ctx_.detectionHold = 10;
      ctx_.waitingForMark = 0;
    } else if (!ctx_.cutTestArmed) {
      ctx_.detectionHold = 10;
      ctx_.waitingForMark = 0;
      ++fields_.sheetCount;
      ctx_.skewSum += skewAngle_;
      ctx_.statusChar = '4';
      if (fields_.copiesEnabled && fields_.sheetCount >= fields_.copies) {
        ports_.events.FinishJob();
      }
    }
    fields_.feedScaleShown = feedScale_;
  }

  RunContext& ctx_;
  const WorkDir& dir_;
  SheetCutFields& fields_;
  const CutterCommandInputs& inputs_;
  SheetCutPorts& ports_;
  CutterHandle stream_ = kNoCutterHandle;
  SheetCutResult result_;

  double distance_ = 0.0;
  double feedScale_ = 1.0;
  double crossScale_ = 1.0;
  double skewAngle_ = 0.0;
  double F0_ = 0.0;  // cut origin along the feed, mm
  double C0_ = 0.0;  // cut origin across, mm
  double P_ = 0.0;   // head position along the feed, mm
  double Q_ = 0.0;   // head position across, mm
  long long p_ = 0;  // the same in 0.01 mm, as the cutter has been moved
  long long q_ = 0;
};

}  // namespace

void AppendTenthsNegated(std::string& out, long long n) {
  // n / -10.0: zero is negative zero, which prints with its sign.
  if (n >= 0) out.push_back('-');
  AppendUnsignedTenths(out, Magnitude(n));
}

void AppendTenths(std::string& out, long long n) {
  if (n < 0) out.push_back('-');
  AppendUnsignedTenths(out, Magnitude(n));
}

std::string SheetNotCutMessage(int sheet) {
  return "Sheet " + std::to_string(sheet) +
         " was not cut to its end: the cutter was lost during its cut.\n"
         "Take the sheet out, then press Resume.";
}

SheetCutResult CutSheet(RunContext& ctx, const WorkDir& dir, SheetCutFields& fields,
                        const CutterCommandInputs& inputs, SheetCutPorts& ports) {
  return SheetCut(ctx, dir, fields, inputs, ports).Run();
}

}  // namespace orvex
