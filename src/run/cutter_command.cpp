// The cutter command table and the fixed sequences built from it. The texts are what the cutter
// expects, byte for byte, separators included; nothing here interprets them.
#include "run/cutter_command.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

namespace orvex {

namespace {

// Adjacent string literals join after escapes are read, so "\x03" "D0" stays two bytes apart
// from the letters that follow it.
#define ETX "\x03"
#define ESC "\x1b"
#define LF "\n"

// Collects the writes of one command; any text that would not fit the cutter's buffer, or any
// value that cannot be an integer on the wire, refuses the whole command.
class TextBuilder {
 public:
  explicit TextBuilder(CommandTexts& out) : out_(out) { out_.known = true; }

  // printf-style with int arguments only, as every template fills %i.
  [[gnu::format(printf, 2, 3)]] void Add(const char* format, ...) {
    if (out_.refused) return;
    char buffer[kMaxCommandText + 1];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0 || static_cast<std::size_t>(length) > kMaxCommandText) {
      Refuse();
      return;
    }
    out_.writes.emplace_back(buffer, static_cast<std::size_t>(length));
  }

  // A value computed in wider arithmetic, checked to be a finite int before it is formatted.
  int Int(double value) {
    const double truncated = std::trunc(value);
    if (!std::isfinite(truncated) || truncated < std::numeric_limits<int>::min() ||
        truncated > std::numeric_limits<int>::max()) {
      Refuse();
      return 0;
    }
    return static_cast<int>(truncated);
  }
  int Int(long long value) {
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
      Refuse();
      return 0;
    }
    return static_cast<int>(value);
  }

  void Refuse() {
    out_.refused = true;
    out_.writes.clear();
  }

 private:
  CommandTexts& out_;
};

long long Times(int value, int factor) {
  return static_cast<long long>(value) * factor;
}

// Speeds are entered in the window's unit; the cutter takes ten times that. An empty field (0)
// means the command's own default speed.
long long SpeedValue(int field, int speedWhenZero) {
  return Times(field == 0 ? speedWhenZero : field, 10);
}

void FeedBackwardText(const RunContext& ctx, TextBuilder& text) {
  const bool model2 = ctx.cutterModel == 2;
  if (ctx.creasingInstalled != 0) {
    text.Add(model2 ? ESC ".C21;18:" : ESC ".C21;2:");
  } else {
    text.Add(model2 ? ESC ".C21;274:" : ESC ".C21;258:");
  }
}

void SpecialColorText(const RunContext& ctx, const CutterCommandInputs& in, TextBuilder& text) {
  const long long speed = SpeedValue(in.specialSpeed, 3);
  switch (ctx.specialMode) {
    case 3:
    case 4: {
      const int s = text.Int(speed);
      text.Add("TC1002,8,3,0" ETX "TC1002,6,3,0,9" ETX ESC ETX "TC1002,3,3,%i" ETX "TC29,5,3" ETX
               "TC1002,9,3,80,80" ETX,
               s);
      break;
    }
    case 0: {
      const int up = text.Int(Times(in.specialUpLength, 20));
      const int cut = text.Int(Times(in.specialCutLength, 20));
      const int s = text.Int(speed > 600 ? 600 : speed);
      text.Add("TC1002,8,3,1" ETX "TC1002,6,3,0,8" ETX ESC ETX "TC1002,6,3,1,%i" ETX ETX
               "TC1002,6,3,2,%i" ETX "TC1002,6,3,3,1" ETX "TC1002,3,3,%i" ETX "TC29,5,3" ETX
               "TC1002,9,3,80,80" ETX,
               up, cut, s);
      break;
    }
    case 1:
    case 2: {
      const int s = text.Int(speed);
      text.Add("TC1002,8,3,0" ETX "TC1002,6,3,0,9" ETX "TC1002,3,3,%i" ETX "TC29,5,3" ETX, s);
      break;
    }
    default:
      // No special-colour set-up exists for another mode; sending a guess could leave the
      // cutter's third tool in an unknown state, so nothing is sent.
      text.Refuse();
      break;
  }
}

void MoveToFirstMarkText(const RunContext& ctx, const CutterCommandInputs& in, TextBuilder& text,
                         CommandTexts& out) {
  const long long s = text.Int(in.labelStep * 10.0 * ctx.unitFactor);
  const long long d = ctx.cameraOffsetX;
  const bool creasing = ctx.creasingInstalled != 0;
  const bool variant2 = ctx.creasingVariant == 2;
  const bool edge = ctx.edgeMode != 0;
  long long a = -1600;
  long long b = ctx.headCross;
  long long n = 0;
  if (creasing && !edge) {
    b = variant2 ? -1600 : 0;
    n = d - s + 1900;
  } else if (ctx.jobWidth < 270.0F) {
    a = -600;
    b = creasing ? 0 : ctx.headCross;
    // The short sheet's shorter pull-back changes the first move only: in edge mode the sheet
    // still ends 15 mm short of the marks' place (net 100 against 250), as the long form has it,
    // or the end edge stands 15 mm off the frame's centre and a sheet laid 1.5 mm long is lost.
    n = d - s + (edge ? 700 : 850);
  } else if (edge) {
    b = creasing ? (variant2 ? -1600 : 0) : ctx.headCross;
    n = d - s + 1700;
  } else {
    b = ctx.headCross;
    n = ctx.markMode == 2 ? 1920 - s : d - s + 1850;
  }
  const int ai = text.Int(a);
  const int bi = text.Int(b);
  const int ni = text.Int(n);
  text.Add("O%i,%i" ETX "O%i,0" ETX, ai, bi, ni);
  // The cross step is relative: the record of the head's cross position follows the head.
  out.headCrossAfter = text.Int(ctx.headCross + b);
}

void CalibrationCutText(const RunContext& ctx, const CutterCommandInputs& in, TextBuilder& text,
                        CommandTexts& out) {
  const auto width = static_cast<double>(ctx.mediaWidth);
  const int w = text.Int(width * 10.0 - 60.0);
  const int wIn = text.Int(static_cast<long long>(w) - 40);
  if (ctx.creasingInstalled == 0) {
    // The square is read where a first mark is read: the head at twice the parked cross
    // position, as command 111 leaves it; at cross 0 the camera looks far from the square.
    const int readCross = text.Int(2LL * ParkedHeadCross(ctx));
    text.Add("TC3,%i,1" ETX "M0,1000" ETX "D0,1050" ETX "M0,%i" ETX "D40,%i" ETX "D40,%i" ETX
             "D0,%i" ETX "D0,%i" ETX "M90,%i" ETX,
             in.cutForce, w, w, wIn, wIn, w, readCross);
    out.headCrossAfter = readCross;
    return;
  }
  // The creasing tool's carriage offsets the blade, so the trace starts from the far edge.
  out.headCrossAfter = 0;
  text.Add("O0,%i" LF "E0,80" LF "E0,-200" LF "E100,0" LF "E-100,200" LF, 120);
#define SQUARE_AT_WIDTH                                                                     \
  "M0,%i" ETX "D40,%i" ETX "D40,%i" ETX "D0,%i" ETX "D0,%i" ETX "M150,200" ETX "D100,0" ETX \
  "M90,1" ETX
  if (ctx.creasingVariant == 2) {
    text.Add(SQUARE_AT_WIDTH, 3450, 3450, 3410, 3410, 3450);
    return;
  }
  const int bigW = text.Int(width * 10.0 - 1715.0);
  const int bigWIn = text.Int(static_cast<long long>(bigW) - 40);
  text.Add("TC3,%i,1" ETX "M0,2250" ETX "D0,2290" ETX "M0,%i" ETX "D40,%i" ETX "D40,%i" ETX
           "D0,%i" ETX "D0,%i",
           in.cutForce, w, w, wIn, wIn, w);
  text.Add(SQUARE_AT_WIDTH, bigW, bigW, bigWIn, bigWIn, bigW);
}

}  // namespace

int ParkedHeadCross(const RunContext& ctx) {
  if (ctx.creasingVariant == 2) return 3750;
  if (ctx.creasingVariant == 1) return 110;
  return static_cast<int>(std::trunc((ctx.mediaWidth * 0.5 - 40.0) * 10.0));
}

CommandTexts FormatCutterCommand(int number, const RunContext& ctx, const CutterCommandInputs& in) {
  CommandTexts out;
  TextBuilder text(out);
  switch (number) {
    case kQueryMediaWidth:
      text.Add("U");
      break;
    case kQueryPosition:
      text.Add("G");
      break;
    case kInitStep3:
      text.Add("TC1006,4,10000000" ETX);
      break;
    case kInitStep4:
      text.Add("TC1002,3,1,500" ETX);
      break;
    case kInitStep5:
      text.Add("TC1002,5,1,2" ETX);
      break;
    case kInitStep6:
      text.Add("TC1002,16,1,Label Media" ETX);
      break;
    case kInitStep7:
      text.Add("TC1008,2,2000" ETX);
      break;
    case kInitStep8:
      text.Add("TC1004,11,0" ETX);
      break;
    case kConnectNotice:
      text.Add("TC24,0" ETX);
      break;
    case kInitStep2:
      text.Add("TC1007,1,0" ETX);
      break;
    case kDashedSetup: {
      const int up = text.Int(Times(in.dashedUpLength, 20));
      const int cut = text.Int(Times(in.dashedCutLength, 20));
      const int speed = text.Int(SpeedValue(in.dashedSpeed, 8));
      if (in.bladeUp) {
        text.Add("TC1002,8,1,2" ETX "TC1002,6,1,0,8" ETX ESC ETX "TC1002,6,1,1,%i" ETX ETX
                 "TC1002,6,1,2,%i" ETX "TC1002,6,1,3,0" ETX "TC1002,3,1,%i" ETX "TC1002,9,1,80,80",
                 up, cut, speed);
      } else {
        text.Add("TC1002,8,1,2" ETX "TC1002,6,1,0,8" ETX ESC ETX "TC1002,6,1,1,%i" ETX ETX
                 "TC1002,6,1,2,%i" ETX "TC1002,6,1,3,1" ETX "TC1002,3,1,%i" ETX "TC1002,9,1,80,80",
                 up, cut, speed);
      }
      break;
    }
    case kPlainCutSetup: {
      const int speed = text.Int(Times(ctx.defaultSpeed, 10));
      text.Add("TC1002,8,1,0" ETX "TC1002,6,1,0,9" ETX "TC1002,3,1,%i" ETX "TC29,5,1" ETX, speed);
      break;
    }
    case kSpecialColorSetup:
      SpecialColorText(ctx, in, text);
      break;
    case kInitStep1:
      text.Add("TC1010,4,1" ETX);
      break;
    case kCutSpeedSetup: {
      const int speed = text.Int(SpeedValue(in.dashedSpeed, 10));
      text.Add("TC1002,3,1,%i" ETX, speed);
      break;
    }
    case kSheetPrepA:
      text.Add("TC29,5,1" ETX);
      break;
    case kQueryStatus:
      text.Add(ESC ".C1:");
      break;
    case kFeedStop:
      text.Add(ESC ".C21;0:");
      break;
    case kFeedForward:
      text.Add(ESC ".C21;1:");
      break;
    case kFeedBackward:
      FeedBackwardText(ctx, text);
      break;
    case kRunPreamble:
      text.Add("O0,300" ETX "TC1010,8,1" ETX);
      break;
    case kMoveToFirstMark:
      MoveToFirstMarkText(ctx, in, text, out);
      break;
    case kParkHead: {
      const int force = in.dashedLineOn ? in.dashedForce : in.cutForce;
      if (ctx.wideCarriage != 0) {
        text.Add("TC3,%i,1" ETX "M14500,1500" ETX "M14500,%i" ETX, force, ctx.headCross);
      } else {
        text.Add("TC3,%i,1" ETX "M8500,1500" ETX "M8500,%i" ETX, force, ctx.headCross);
      }
      break;
    }
    case kWideMediaSetup: {
      const auto width = static_cast<double>(ctx.mediaWidth);
      if (ctx.cutterModel == 2 && width > 300.0) {
        // The media's own width is clamped so that the value cannot run past the carriage.
        const double extra = (std::trunc(width) - 267.0) * 100.0;
        const int value = text.Int(-(extra < 9500.0 ? extra : 9500.0));
        text.Add("TC1000,2,1,0,%i" ETX, value);
      } else {
        text.Add("TC1000,2,1" ETX);
      }
      break;
    }
    case kFeedAlternate:
      text.Add(ctx.cutterModel == 2 ? ESC ".C21;18:" : ESC ".C21;4:");
      break;
    case kReturnHome:
      text.Add("M0,0" ETX);
      break;
    case kEjectSheet:
      if (ctx.creasingInstalled != 0) {
        text.Add("M0,120" ETX);
      } else {
        text.Add("M9900,0" ETX "TC36" ETX);
      }
      break;
    case kSheetPrepB:
      text.Add("TC1010,8,0" ETX);
      break;
    case kCalibrationCut:
      CalibrationCutText(ctx, in, text, out);
      break;
    case kSelectCreasingTool: {
      const int move = text.Int(120LL - ctx.headCross);
      text.Add("O0,%i" LF "E0,5" LF "O0,400" LF "O0,-400" LF "E0,-120" LF "O100,0" LF "E100,0" LF
               "O100,0" LF "O-100,%i" LF,
               move, 105);
      out.headCrossAfter = 110;
      break;
    }
    case kSelectBladeToolA: {
      const int move = text.Int(120LL - ctx.headCross);
      text.Add("O0,%i" LF "E0,-115" LF ",E-100,0" LF ",E100,100" LF, move);
      break;
    }
    case kSelectBladeToolB: {
      const int move = text.Int(static_cast<long long>(ctx.headCross) - 200);
      text.Add("O0,95" LF "O0,%i" LF, move);
      break;
    }
    default:
      out.known = false;
      break;
  }
  if (out.refused) out.headCrossAfter.reset();
  return out;
}

#undef ETX
#undef ESC
#undef LF
#undef SQUARE_AT_WIDTH

int CutterCommand(int number, RunContext& ctx, const CutterCommandInputs& inputs,
                  CutterLink& link) {
  const CommandTexts texts = FormatCutterCommand(number, ctx, inputs);
  if (!texts.known) return 0;
  if (texts.refused) return kCommandTextTooLong;
  if (texts.headCrossAfter) ctx.headCross = *texts.headCrossAfter;
  if (texts.writes.size() == 1) return link.SendToCutter(texts.writes.front());

  int openError = kCutterOk;
  const CutterHandle handle = link.OpenCutterStream(&openError);
  if (handle == kNoCutterHandle) return openError;
  int result = kCutterOk;
  for (const std::string& write : texts.writes) {
    result = link.WriteCutterStream(handle, write);
  }
  link.CloseCutterStream(handle);
  return result;
}

void InitCutter(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link,
                Clock& clock) {
  // The polling must not query the cutter in the middle of its set-up.
  ctx.statusStep = 150;
  CutterCommand(kInitStep1, ctx, inputs, link);
  clock.Sleep(100);
  CutterCommand(kInitStep2, ctx, inputs, link);
  for (int number = kInitStep3; number <= kInitStep8; ++number) {
    clock.Sleep(100);
    CutterCommand(number, ctx, inputs, link);
  }
  clock.Sleep(100);
  ctx.dashCutValue = 200;
  ctx.dashUpValue = 200;
  clock.Sleep(500);
}

void CreaseButton(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link,
                  Clock& clock) {
  ctx.headCross = 110;
  CutterCommand(kParkHead, ctx, inputs, link);
  clock.Sleep(100);
  CutterCommand(kSelectCreasingTool, ctx, inputs, link);
}

void SelectBladeTool(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link,
                     Clock& clock) {
  CutterCommand(kSelectBladeToolA, ctx, inputs, link);
  clock.Sleep(100);
  CutterCommand(kSelectBladeToolB, ctx, inputs, link);
}

void BladeButton(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link,
                 Clock& clock) {
  ctx.headCross = 110;
  CutterCommand(kParkHead, ctx, inputs, link);
  clock.Sleep(100);
  SelectBladeTool(ctx, inputs, link, clock);
}

bool JogPress(JogButton button, RunContext& ctx, const CutterCommandInputs& inputs,
              CutterLink& link) {
  if (button == JogButton::kDown) {
    CutterCommand(kFeedForward, ctx, inputs, link);
    return true;
  }
  if (ctx.mediaPosition <= 0.1) return false;
  CutterCommand(kFeedBackward, ctx, inputs, link);
  return true;
}

void JogRelease(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link) {
  CutterCommand(kFeedStop, ctx, inputs, link);
}

}  // namespace orvex
