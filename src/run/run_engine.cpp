// The run engine: timer tick, sheet cycle, status polling, finish check and run buttons.
#include "run/run_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "run/cut_order.h"

namespace orvex {

namespace {

constexpr std::uint8_t kTab = 0x09;
constexpr std::uint8_t kEtx = 0x03;
// The sheet request's fixed middle, bytes 18 to 59.
constexpr std::string_view kRequestMiddle = "820222426283032343638404244464850525446586";
constexpr int kFeederSendTimeoutMs = 100;
constexpr int kSheetReplyTimeoutMs = 6000;
// Stale finish-check replies in a row after which the cutter is looked for again.
constexpr int kStaleRepliesBeforeDiscovery = 3;
// Busy replies taken as seen, so that the next ready reply finishes the awaited sheet.
constexpr int kPrimedNotReadyCount = 6;

std::uint8_t ClampByte(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// A garbled reply ("inf", "1e300", a negative width) must not become a width or a position:
// the head's parking place is computed from the width in integer 0.1 mm.
constexpr double kMaxReplyTenths = 100000.0;  // 10 m
bool PlausibleTenths(double value) {
  return std::isfinite(value) && value >= 0.0 && value <= kMaxReplyTenths;
}

bool IsNoMediaState(char state) {
  return state == 0 || state == '2' || state == '4';
}

}  // namespace

SheetRequest BuildSheetRequest(const RunFields& fields, const RunContext& ctx) {
  SheetRequest request{};
  std::uint8_t* p = request.bytes;
  const bool dashed = fields.commands.dashedLineOn;
  std::memcpy(p, "FFAM", 4);
  p[4] = (dashed && ctx.creasingInstalled != 0) ? 'P' : 'M';
  p[5] = 'B';
  p[6] = dashed ? 'S' : 'A';
  p[7] = 'D';
  p[8] = 'D';
  p[9] = 'H';
  p[10] = '0';
  p[11] = 0;
  p[12] = '2';
  p[13] = '#';  // free content; the feeder does not read it
  p[14] = '4';
  p[15] = 0;
  p[16] = '6';
  p[17] = dashed ? '#' : 0;
  std::memcpy(p + 18, kRequestMiddle.data(), kRequestMiddle.size());
  p[60] = dashed ? 108 : 118;
  p[61] = 100;
  // Values loaded from files can lie outside the window's ranges; a byte must not wrap.
  p[62] = ClampByte(fields.uplift + 100);
  p[63] = ClampByte(fields.insertion + 80);
  return request;
}

RunEngine::BusyScope::BusyScope(RunEngine& engine) : engine_(engine) {
  ++engine_.busyDepth_;
}

RunEngine::BusyScope::~BusyScope() {
  if (--engine_.busyDepth_ == 0) engine_.DrainDeferred();
}

RunEngine::RunEngine(RunContext& ctx, WorkDir dir, RunPorts ports)
    : ctx_(ctx), dir_(std::move(dir)), ports_(ports) {}

// --- Notifications ------------------------------------------------------------------------------

void RunEngine::OnTimer() {
  if (Busy()) {
    // Coalesced like a timer message: one tick runs after the sequence however many arrived.
    tickDeferred_ = true;
    ++deferredTicksSeen_;
    return;
  }
  BusyScope scope(*this);
  Tick();
}

void RunEngine::OnFrameReady() {
  if (Busy()) {
    ++framesDeferred_;
    ++deferredFramesSeen_;
    return;
  }
  BusyScope scope(*this);
  ports_.vision.AnalyseFrame();
}

void RunEngine::DrainDeferred() {
  if (draining_) return;
  draining_ = true;
  for (;;) {
    if (framesDeferred_ > 0) {
      --framesDeferred_;
      BusyScope scope(*this);
      ports_.vision.AnalyseFrame();
    } else if (tickDeferred_) {
      tickDeferred_ = false;
      BusyScope scope(*this);
      Tick();
    } else {
      break;
    }
  }
  draining_ = false;
}

void RunEngine::Tick() {
  if (ctx_.exitRequested != 0) {
    ReleaseSleep();
    ports_.app.ExitProcess(0);
    return;
  }
  // A reply that arrived since the last tick lands before the buffer is looked at.
  ports_.cutter.PumpStatusRead();
  ToolCycleStep();

  if (ctx_.setupCountdown > 0 && --ctx_.setupCountdown == 0) {
    ports_.app.WindowSetUp();
    ctx_.setupCountdown = -1;
  }

  const double sinceCut = static_cast<double>(ports_.clock.CalendarSeconds() - ctx_.cutStartTime);
  if (ctx_.waitingForMark != 0 && ctx_.settleTicks <= 0 && sinceCut > ctx_.lastCutDuration - 2.1) {
    EvaluateMark();
  }
  ctx_.settleTicks = std::max(ctx_.settleTicks - 1, -1);
  if (ctx_.waitingForMark == 0) PollStatus();
  ports_.app.TimerRefresh();
}

void RunEngine::EvaluateMark() {
  if (ctx_.markResult == -1) {
    ctx_.markResult = 0;
    ports_.vision.RequestFrame();
  } else if (ctx_.markResult == 1 && ctx_.previousHeld) {
    const bool agree = std::fabs(ctx_.markPreviousCol - ctx_.markCol) < kMarkAgreementPx &&
                       std::fabs(ctx_.markPreviousRow - ctx_.markRow) < kMarkAgreementPx;
    ctx_.previousHeld = false;
    if (agree) {
      ctx_.waitingForMark = 0;
      ctx_.markResult = -1;
      ctx_.markAcceptedCol = ctx_.markCol;
      ctx_.markAcceptedRow = ctx_.markRow;
      RunCutSheet();
    }
  } else if (ctx_.markResult == 1) {
    ctx_.markPreviousCol = ctx_.markCol;
    ctx_.markPreviousRow = ctx_.markRow;
    ctx_.previousHeld = true;
    ctx_.markResult = 0;
    ports_.vision.RequestFrame();
  }
}

void RunEngine::ToolCycleStep() {
  if (ctx_.cycleState == 1) {
    ctx_.cycleTick = 0;
    ctx_.cycleCount = 0;
    ctx_.cycleState = 2;
    return;
  }
  ++ctx_.cycleTick;
  if (ctx_.cycleCount < 12 && ctx_.cycleState > 0) {
    if (ctx_.cycleTick == 15) Command(kSelectCreasingTool);
    if (ctx_.cycleTick == 35) Command(kSelectBladeToolA);
    if (ctx_.cycleTick == 36) Command(kSelectBladeToolB);
    if (ctx_.cycleTick == 39) {
      ++ctx_.cycleCount;
      ctx_.cycleTick = 1;
    }
  }
  if (ctx_.cycleCount >= 11) ctx_.cycleState = 0;
}

void RunEngine::RunCutSheet() {
  BusyScope scope(*this);
  ports_.app.TakeFields(fields_);
  SheetCutPorts ports{ports_.cutter, ports_.feeder, ports_.clock, *this};
  const SheetCutResult result = CutSheet(ctx_, dir_, fields_.sheet, fields_.commands, ports);
  ports_.app.ShowFields(fields_);
  if (result.streamLost && running_ && !paused_) {
    ShowMessage(SheetNotCutMessage(fields_.sheet.sheetCount + 1), MessageIcon::kWarning);
    PauseResume();
  }
}

// --- Helpers ------------------------------------------------------------------------------------

int RunEngine::Command(int number) {
  return CutterCommand(number, ctx_, fields_.commands, ports_.cutter);
}

void RunEngine::Sleep(int ms) {
  ports_.clock.Sleep(ms);
}

void RunEngine::ShowMessage(std::string_view text, MessageIcon icon) {
  ports_.app.ShowMessage(text, "", icon);
}

void RunEngine::ResetDetection() {
  ctx_.searchAttempts = 0;
  ctx_.markResult = -1;
  ctx_.previousHeld = false;
}

void RunEngine::OrderIfNeeded() {
  const OrderKey key{ctx_.passes, ctx_.edgeMode, ctx_.specialMode, ctx_.reverseOrder};
  // The first sheets of a run always order (the job may have been loaded since); later sheets
  // only when a setting that shapes the order changed.
  if (fields_.sheet.sheetCount >= 5 && key == lastOrder_) return;
  const OrderResult order = OrderCuts(ctx_, dir_);
  if (order.ok) {
    lastOrder_ = key;
  } else {
    lastOrder_ = OrderKey{};
    if (!order.error.empty()) ports_.app.ShowMessage(order.error, "", MessageIcon::kError);
  }
}

// --- Sheet cycle --------------------------------------------------------------------------------

int RunMarkSize(const RunContext& ctx) {
  if (ctx.wideCarriage != 0) return ctx.markSize < 40 ? 46 : ctx.markSize;
  return ctx.cutterModel == 2 ? 46 : 51;
}

void RunEngine::StartSheet() {
  BusyScope scope(*this);
  ports_.app.TakeFields(fields_);
  ctx_.edgeMode = (ctx_.specialMode == 2 || ctx_.specialMode == 3) ? 1 : 0;
  ctx_.waitingForMark = 0;
  // A new sheet must never confirm a position seen on the previous one, nor inherit its count
  // towards the search's time-out.
  ResetDetection();

  std::error_code error;
  if (!std::filesystem::exists(dir_.File(workfile::kSort), error)) {
    ports_.app.ShowMessage(kGraphicSourceMissingMessage, "", MessageIcon::kError);
  } else {
    OrderIfNeeded();
  }

  bool opened = ports_.feeder.OpenSheetFeeder();
  if (!opened) {
    Sleep(20);
    opened = ports_.feeder.OpenSheetFeeder();
  }
  if (!opened) opened = ports_.feeder.OpenSheetFeeder();
  if (!opened) {
    ports_.app.ShowMessage(kFeederOffMessage, "", MessageIcon::kError);
    if (running_ && !paused_) {
      // Retrying every four ticks would stack a new box on each; hold the run until Resume.
      ctx_.detectionHold = -1;
      ctx_.cutTestArmed = true;
      paused_ = true;
      ports_.view.SetControlText(run_control::kPause, "Resume");
      ports_.view.SetControlIcon(run_control::kPause, run_icon::kResume);
    }
    return;
  }

  ctx_.headCross = ParkedHeadCross(ctx_);

  const bool creasing = ctx_.creasingInstalled != 0;
  const bool model2 = ctx_.cutterModel == 2;
  Command(kParkHead);
  Sleep(2000);
  if (!creasing) Command(kWideMediaSetup);

  const SheetRequest request = BuildSheetRequest(fields_, ctx_);
  ports_.feeder.FeederSend(0, request.bytes, kFeederReportBytes, kFeederSendTimeoutMs);
  Sleep(500);
  Command(kFeedBackward);
  Sleep(3000);

  std::uint8_t reply[kFeederReportBytes] = {};
  if (ports_.feeder.FeederReceive(0, reply, kFeederReportBytes, kSheetReplyTimeoutMs) <= 0) {
    Command(kFeedStop);
    ports_.feeder.FeederClose(0);
    if (fields_.sheet.sheetCount >= 1) FinishJob();
    return;
  }
  Sleep(model2 ? 200 : 500);
  ctx_.feederFirmware = static_cast<signed char>(reply[22]);

  if (!creasing) {
    Command(kFeedAlternate);
    if (model2) {
      Sleep(100);
      Command(kFeedStop);
      Sleep(410);
      Command(kFeedAlternate);
    }
  }
  Sleep(200);
  Command(kFeedStop);
  Sleep(100);
  Command(kSheetPrepA);
  Sleep(100);
  Command(kSheetPrepB);
  Command(kMoveToFirstMark);

  if (fields_.sheet.withoutCropMarks) {
    ctx_.runPhase = 2;
    RunCutSheet();
    return;
  }
  ctx_.runPhase = 1;
  ctx_.waitingForMark = 1;
  ctx_.settleTicks = 10;
  ctx_.detectionHold = 0;

  const int pixels = RunMarkSize(ctx_);
  ctx_.markSize = pixels;
  ports_.app.StoreMarkSize(pixels);
  ctx_.markScale = 4.0 / pixels;
}

// --- Status polling -----------------------------------------------------------------------------

void RunEngine::PollStatus() {
  auto& status = ctx_.cutterStatus;
  --ctx_.statusStep;

  if (ctx_.statusChar <= 0) {
    const int before = ctx_.linkState;
    ctx_.linkState = ports_.cutter.FindCutter();
    if (ctx_.linkState == 1) {
      if (before != 1) {
        // A cutter that comes back while a sheet's finish is awaited has lost that job: it
        // will never be seen busy, and a long job would wait for that forever.
        if (ctx_.detectionHold == 10) ctx_.notReadyCount = kPrimedNotReadyCount;
        Command(kConnectNotice);
        StatusDisplay();
        ctx_.statusStep = 60;
      }
    } else {
      if (before == 1) StatusDisplay();
      ctx_.statusStep = 60;
      return;
    }
  }

  const auto query = [&](int number) {
    status[0] = kTab;
    ports_.cutter.ReadCutterStatus();
    Command(number);
  };

  if (ctx_.statusStep == 55) query(kQueryStatus);
  if (ctx_.statusStep == 52 && ctx_.detectionHold == 10) SheetFinishedCheck();
  if (ctx_.statusStep == 50) {
    if (status[5] == kEtx) ctx_.statusChar = static_cast<char>(status[4]);
    if (ctx_.statusChar != '0') {
      ctx_.statusStep = 75;
      StatusDisplay();
    }
    if (status[0] == kTab) ctx_.statusChar = 0;
  }
  if (ctx_.statusChar == '0') {
    if (ctx_.statusStep == 45) query(kQueryMediaWidth);
    if (ctx_.statusStep == 40) {
      // Bytes 9 onward, terminated inside the buffer by its spare byte.
      const double value = std::strtod(reinterpret_cast<const char*>(status.data() + 9), nullptr);
      if (status[1] == '5' && status[5] == '0' && status[6] == '0' && PlausibleTenths(value)) {
        ports_.app.TakeFields(fields_);
        ctx_.mediaWidth = value / 10.0;
        fields_.cutterWidthShown =
            ctx_.unitFlag == 0 ? std::floor(value / 2.54) / 100.0 : ctx_.mediaWidth;
        if (ctx_.mediaWidth > 450.0 && ctx_.prevMediaWidth < 450.0 && ctx_.mediaWidth < 600.0) {
          ports_.vision.SwitchCamera(1);
        } else if (ctx_.mediaWidth < 450.0 && ctx_.prevMediaWidth > 450.0) {
          ports_.vision.SwitchCamera(0);
        }
        ctx_.prevMediaWidth = ctx_.mediaWidth;
        ports_.app.ShowFields(fields_);
        if (fields_.cutterWidthShown > 0.0) {
          ports_.view.EnableControl(run_control::kCalibration, true);
          ctx_.statusChar = 1;
        }
      } else {
        ctx_.statusChar = 0;
      }
      if (status[0] == kTab || ctx_.mediaWidth == 0.0) ctx_.statusChar = 0;
    }
  }
  if (ctx_.statusStep == 35) query(kQueryStatus);
  if (ctx_.statusStep == 30) {
    if (status[5] == kEtx) {
      ctx_.statusChar = static_cast<char>(status[4]);
      if (ctx_.statusChar != '0' || ctx_.mediaWidth == 0.0) {
        ctx_.statusStep = 60;
        StatusDisplay();
      }
    }
    if (status[0] == kTab) ctx_.statusChar = 0;
    status[0] = kTab;
    ports_.cutter.ReadCutterStatus();
  }
  if (ctx_.statusChar == '0') {
    if (ctx_.statusStep == 25) query(kQueryPosition);
    if (ctx_.statusStep == 20) {
      if (status[6] == ',') status[6] = 0;
      if (status[7] == ',') status[7] = 0;
      if (status[5] == kEtx || status[0] == kTab) {
        if (status[0] == kTab) ctx_.statusChar = 0;
      } else {
        if (ctx_.displayState < 1 && ctx_.mediaWidth > 0.0) ctx_.displayState = 1;
        const double value = std::strtod(reinterpret_cast<const char*>(status.data()), nullptr);
        const double position = value / 10.0;
        if (PlausibleTenths(value) && std::fabs(position - ctx_.mediaPosition) > 2.0 &&
            position != 5000.0) {
          ports_.app.TakeFields(fields_);
          ctx_.mediaPosition = position;
          ports_.app.ShowFields(fields_);
        }
      }
      StatusDisplay();
    }
  }
  if (ctx_.statusStep <= 0) ctx_.statusStep = 36;
}

void RunEngine::SheetFinishedCheck() {
  auto& status = ctx_.cutterStatus;
  ctx_.statusStep = 56;
  // Byte 0 still TAB: nothing arrived since the query. An old "ready" would start the next sheet
  // while the cutter is still cutting, or count sheets a vanished cutter never cut.
  if (status[0] == kTab) {
    if (++staleReplies_ >= kStaleRepliesBeforeDiscovery) {
      staleReplies_ = 0;
      ctx_.statusChar = 0;
    }
    return;
  }
  staleReplies_ = 0;
  if (status[5] != kEtx) return;

  const std::int64_t elapsed =
      static_cast<std::uint32_t>(ports_.clock.TickMs() - ctx_.cutStartTick);
  ctx_.statusChar = static_cast<char>(status[4]);
  const std::int64_t average = ctx_.avgCutMs;
  bool ready = status[4] == '0';
  if (fields_.sheet.sheetCount > 30 && average >= 3500 && !fields_.sheet.withoutCropMarks &&
      average - 3500 < elapsed && elapsed < average + 1000) {
    ctx_.statusChar = '0';
    ready = true;
  }
  if (!ready) {
    ++ctx_.notReadyCount;
    return;
  }
  // On a long job a ready reply counts only once the cutter has been seen busy.
  if (ctx_.notReadyCount <= 3 && ctx_.totalCutLength >= 1200.0) return;

  ctx_.lastCutDuration = static_cast<double>(ports_.clock.CalendarSeconds() - ctx_.cutStartTime);
  const auto cutMs = static_cast<std::uint32_t>(ports_.clock.TickMs() - ctx_.cutStartTick);
  if (fields_.sheet.sheetCount == 0) {
    ctx_.firstCutMs = 0;
    ctx_.secondCutMs = 0;
    ctx_.avgCutMs = 0;
  } else if (fields_.sheet.sheetCount == 1) {
    ctx_.firstCutMs = cutMs;
  } else if (fields_.sheet.sheetCount == 2) {
    ctx_.secondCutMs = cutMs;
    const std::int64_t spread =
        static_cast<std::int64_t>(cutMs) - static_cast<std::int64_t>(ctx_.firstCutMs);
    if (spread >= -999 && spread <= 999) {
      ctx_.avgCutMs =
          static_cast<std::uint32_t>((static_cast<std::uint64_t>(ctx_.firstCutMs) + cutMs) / 2);
    }
  }
  // Edit 1099 shows the last sheet's duration here and the feed scale after a cut.
  fields_.sheet.feedScaleShown = ctx_.lastCutDuration;
  ports_.app.ShowFields(fields_);
  ctx_.notReadyCount = 0;
  StartSheet();
}

// --- Status area --------------------------------------------------------------------------------

void RunEngine::StatusDisplay() {
  if (!ports_.app.OpenHasBeenUsed()) return;
  RunView& view = ports_.view;
  if (ctx_.linkState == 0) {
    if (ctx_.displayState == -1) return;
    view.SetControlText(run_control::kLastJobStatus, kCutterOffLineText);
    view.EnableControl(run_control::kLastJobStatus, false);
    view.SetControlIcon(run_control::kStatusIcon, run_icon::kCutterNotReady);
    ctx_.displayState = -1;
    return;
  }
  if (ctx_.displayState != 0 && IsNoMediaState(ctx_.statusChar)) {
    view.SetControlText(run_control::kLastJobStatus, kLoadMediaText);
    view.EnableControl(run_control::kLastJobStatus, false);
    view.SetControlIcon(run_control::kStatusIcon, run_icon::kCutterNotReady);
    view.EnableControl(run_control::kCutTest, false);
    view.EnableControl(run_control::kPause, false);
    view.SetControlText(run_control::kHiddenStatus, "wait");
    view.EnableControl(run_control::kStart, false);
    view.EnableControl(run_control::kDashedEnable, false);
    ctx_.displayState = 0;
  } else if (ctx_.displayState == 1) {
    view.EnableControl(run_control::kDashedEnable, true);
    view.EnableControl(run_control::kWithoutCropMarks, true);
    view.EnableControl(run_control::kPause, true);
    view.EnableControl(run_control::kCutTest, true);
    view.EnableControl(run_control::kStart, true);
    view.SetControlText(run_control::kLastJobStatus, kCutterReadyText);
    view.SetControlIcon(run_control::kStatusIcon, run_icon::kCutterReady);
    const char* text = reinterpret_cast<const char*>(ctx_.cutterStatus.data());
    view.SetControlText(run_control::kHiddenStatus, std::string_view(text, std::strlen(text)));
    ctx_.displayState = 2;
    ctx_.cutterAnswered = true;
  }
}

// --- Buttons ------------------------------------------------------------------------------------

void RunEngine::FinishJob() {
  ctx_.waitingForMark = 0;
  ctx_.detectionHold = 0;
  ResetDetection();
  running_ = false;
  ++finishCount_;
  ports_.view.SetControlText(run_control::kStart, "Start");
  ports_.view.EnableControl(run_control::kPause, false);
  ctx_.statusStep = 80;
  ctx_.settleTicks = 5;
  ReleaseSleep();
  if (fields_.sheet.sheetCount >= 1) ports_.app.LogFinishedRun(fields_);
}

void RunEngine::ReleaseSleep() {
  if (!sleepHeld_) return;
  sleepHeld_ = false;
  if (inhibitor_ != nullptr) inhibitor_->Release();
}

void RunEngine::Start() {
  BusyScope scope(*this);
  ports_.view.SetControlText(run_control::kPause, "Pause");
  ports_.view.SetControlIcon(run_control::kPause, run_icon::kPause);
  paused_ = false;
  if (running_) {
    FinishJob();
    return;
  }
  if (!ports_.app.JobLoaded()) {
    ports_.app.ShowMessage(kNoGraphicLoadedMessage, "", MessageIcon::kWarning);
    return;
  }
  // Held from here: the preamble and the first sheet's feed already must not be cut short.
  if (inhibitor_ != nullptr && !sleepHeld_) {
    inhibitor_->Hold();
    sleepHeld_ = true;
  }
  ports_.app.TakeFields(fields_);
  ports_.app.StoreRunSettings(fields_);

  ctx_.runStartTime = ports_.clock.CalendarSeconds();
  fields_.sheet.sheetCount = 0;
  ctx_.skewSum = 0.0;
  // A previous job's average would decide when this job's sheets are finished.
  ctx_.firstCutMs = 0;
  ctx_.secondCutMs = 0;
  ctx_.avgCutMs = 0;
  ctx_.notReadyCount = 0;
  staleReplies_ = 0;
  ports_.app.ShowFields(fields_);
  ctx_.cutTestArmed = false;
  Command(kRunPreamble);
  Sleep(1500);

  if (!fields_.commands.dashedLineOn) {
    ctx_.passes = 1;
  } else {
    Command(kCutSpeedSetup);
    ctx_.passes = fields_.passSelection + 1;
  }

  const int finishedBefore = finishCount_;
  StartSheet();
  ctx_.cutTestArmed = false;
  if (finishCount_ != finishedBefore) return;  // the run already ended inside the sheet cycle
  running_ = true;
  ports_.view.SetControlText(run_control::kStart, "Stop");
  ports_.view.EnableControl(run_control::kPause, true);
  ports_.app.ShowFields(fields_);
}

void RunEngine::PauseResume() {
  // Outside a run Resume would prime the finish check and feed sheets without a Start.
  if (!running_) return;
  BusyScope scope(*this);
  if (!paused_) {
    if (ctx_.detectionHold == 10) ctx_.detectionHold = -1;
    ctx_.cutTestArmed = true;
    paused_ = true;
    ports_.view.SetControlText(run_control::kPause, "Resume");
    ports_.view.SetControlIcon(run_control::kPause, run_icon::kResume);
  } else {
    paused_ = false;
    ports_.view.SetControlText(run_control::kPause, "Pause");
    ctx_.statusStep = 80;
    ctx_.settleTicks = 5;
    ports_.view.SetControlIcon(run_control::kPause, run_icon::kPause);
    ctx_.cutTestArmed = false;
    ctx_.detectionHold = 10;
    ctx_.waitingForMark = 0;
    ctx_.statusChar = '4';
    ctx_.notReadyCount = kPrimedNotReadyCount;
  }
  ports_.app.TakeFields(fields_);
}

void RunEngine::CutTest() {
  // A test sheet in the middle of a run would be fed over the run's own sheet.
  if (running_) return;
  BusyScope scope(*this);
  if (!ports_.app.JobLoaded()) {
    ports_.app.ShowMessage(kNoGraphicLoadedMessage, "", MessageIcon::kWarning);
    return;
  }
  ports_.app.TakeFields(fields_);
  ctx_.specialMode = ctx_.specialPresent != 0 ? fields_.specialSelection : -1;
  if (ports_.clock.CalendarSeconds() - ctx_.lastCutTestTime < kCutTestGuardSeconds) return;
  ports_.app.ReloadCameraOffsets();

  Command(kRunPreamble);
  if (!fields_.commands.dashedLineOn) {
    Command(kPlainCutSetup);
    ctx_.passes = 1;
  } else {
    ctx_.passes = fields_.passSelection + 1;
    Command(kCutSpeedSetup);
  }
  if (ctx_.specialPresent != 0) Command(kSpecialColorSetup);

  ports_.view.EnableControl(run_control::kStart, true);
  Sleep(1800);
  ctx_.cutTestArmed = true;
  ctx_.lastCutTestTime = ports_.clock.CalendarSeconds();

  if (!fields_.commands.dashedLineOn && fields_.commands.cutForce >= 15 &&
      !ports_.app.AskYesNo(kHighForceQuestion, kAttentionCaption)) {
    return;
  }
  if (ctx_.mediaWidth <= 0.0) {
    ports_.app.ShowMessage(kZeroWidthMessage, kAttentionCaption, MessageIcon::kWarning);
    return;
  }
  StartSheet();
}

void RunEngine::Cycle() {
  BusyScope scope(*this);
  ctx_.cycleState = ctx_.cycleState <= 0 ? 1 : 0;
  ctx_.headCross = 110;
  Command(kParkHead);
}

void RunEngine::JogPress(JogButton button) {
  BusyScope scope(*this);
  ctx_.jogActive = true;
  if (!orvex::JogPress(button, ctx_, fields_.commands, ports_.cutter)) {
    ports_.app.ShowMessage(kJogAtOriginMessage, "", MessageIcon::kInformation);
    return;
  }
  ctx_.statusStep = 150;
}

void RunEngine::JogRelease() {
  if (!ctx_.jogActive) return;
  BusyScope scope(*this);
  orvex::JogRelease(ctx_, fields_.commands, ports_.cutter);
  ctx_.jogActive = false;
  ctx_.statusStep = 38;
  ports_.view.EnableControl(run_control::kCutTest, false);
  ctx_.displayState = 1;
}

bool RunEngine::RequestClose() {
  if (ctx_.waitingForMark != 0) {
    ctx_.exitRequested = 1;
    return false;
  }
  return true;
}

}  // namespace orvex
