#include "sim/sim_station.h"

#include <algorithm>
#include <cmath>

#include "sim/twin_camera.h"

namespace orvex::sim {

namespace {

constexpr double kRandomOffsetMm = 3.0;
constexpr double kRandomRotationDeg = 0.5;
constexpr double kRandomStretch = 0.003;
// cutter-unplugged: the cable comes out this many bytes into the first sheet's cut stream and
// goes back in after the pause below, so discovery, the connect notice and the lost sheet show.
constexpr std::int64_t kUnplugAfterBytes = 2000;
constexpr std::int64_t kUnpluggedMs = 30'000;
// The run's phase once the sheet's first mark is confirmed; the next long write is its stream.
constexpr int kFirstMarkConfirmedPhase = 2;
// A slow feeder answers a sheet request this long after it, near the end of the station's wait.
constexpr int kSlowFeederReplyMs = 9000;
// A cutter that reports a motion late says "ready" this long into it.
constexpr int kLateBusyReportMs = 1500;

SimCutterSettings CutterSettings(const StationOptions& o) {
  SimCutterSettings s;
  s.mediaWidthTenths = static_cast<int>(std::lround(o.mediaWidthMm * 10.0));
  return s;
}

SimFeederSettings FeederSettings(const StationOptions& o) {
  SimFeederSettings s;
  s.sheets = o.sheets;
  s.present = o.fault != "feeder-absent";
  s.silent = o.fault == "feeder-silent";
  if (o.fault == "feeder-slow") s.replyDelayMs = kSlowFeederReplyMs;
  return s;
}

SimCameraSettings CameraSettings(const StationOptions& o) {
  SimCameraSettings s;
  s.deliversFrames = o.fault != "camera-no-frames";
  s.showsMarks = o.fault != "marks-missing";
  if (o.cameraOffsetMm) {
    s.offsetFeedTenths = o.cameraOffsetMm->first * 10.0;
    s.offsetCrossTenths = o.cameraOffsetMm->second * 10.0;
  }
  return s;
}

}  // namespace

SimStation::SimStation(const StationOptions& options, const std::filesystem::path& workDir,
                       bool recordTranscript)
    : options_(options),
      workDir_(workDir),
      machine_(CutterSettings(options), FeederSettings(options), CameraSettings(options)),
      transcript_(machine_.Clock(), recordTranscript),
      cutterTap_(machine_.Cutter(), transcript_),
      feederTap_(machine_.Feeder(), transcript_),
      link_(cutterTap_, run_),
      feeder_(feederTap_),
      dir_(workDir) {
  if (options.fault == "cutter-silent") machine_.Cutter().Faults().silent = true;
  if (options.fault == "cutter-busy") machine_.Cutter().Faults().neverReady = true;
  if (options.fault == "cutter-late-busy") {
    machine_.Cutter().Settings().busyReportDelayMs = kLateBusyReportMs;
  }
  SheetSupply& supply = machine_.Bed().supply;
  if (options.seed) {
    supply.random = true;
    supply.seed = *options.seed;
    supply.maxOffsetMm = kRandomOffsetMm;
    supply.maxRotationDeg = kRandomRotationDeg;
    supply.maxStretch = kRandomStretch;
  } else {
    supply.placement.offsetFeedMm = options.offsetFeedMm;
    supply.placement.offsetCrossMm = options.offsetCrossMm;
    supply.placement.rotationDeg = options.rotationDeg;
    supply.placement.feedScale = options.feedScale;
  }
}

SimStation::~SimStation() {
  StopTimer();
  // The camera streams into the model; it stops before the model goes.
  camera_.reset();
}

MainWindowModel& SimStation::BuildWindow(const StationWindow& window) {
  if (model_ != nullptr) return *model_;
  store_ = std::make_unique<SettingsStore>(window.profile);
  Clock& clock = window.clock != nullptr ? *window.clock : machine_.Clock();
  camera_ = std::make_unique<TwinCamera>(machine_.Camera(), machine_.Bed(), run_, window.profile,
                                         clock, workDir_, window.still, window.liveTap);
  MainWindowParts parts{run_,  window.view, *store_,       window.profile, dir_,
                        clock, link_,       window.canvas, window.pdf};
  parts.feeder = &feeder_;
  parts.vision = camera_.get();
  parts.cameraGraph = camera_.get();
  parts.eps = window.eps;
  model_ = std::make_unique<MainWindowModel>(parts);
  model_->SetJobLoadedHandler([this] { OnJobLoaded(); });
  camera_->Attach(*model_);
  return *model_;
}

void SimStation::OnJobLoaded() {
  // Sheets printed with the previous job would be cut with this one's contours: said, not hidden.
  std::string message;
  if (!machine_.LoadJob(workDir_, message)) {
    machine_.Bed().NoteProblem(message);
    return;
  }
  if (options_.edgeSheets) CutEdgeSheets();
  if (options_.fault == "mark-half-printed") machine_.Bed().SetMarkPrint(1, MarkPrint::kHalf);
}

// The edge run finds the sheet's side edge and, at the second look, its end edge, and cuts the
// job with its b = 0 line the first marker's cross position inside the side edge and its first
// mark the first-marker distance plus 2 mm from the end edge. Its looks fix the rest: the
// second look stands 15 mm plus the first-marker distance plus the mark distance behind where
// the feed-in stops the leading edge, so that edge lies 13 mm beyond the second mark.
void SimStation::CutEdgeSheets() {
  constexpr double kLeadingEdgeBeyondSecondMarkMm = 13.0;
  constexpr double kEndEdgeBeforeFirstMarkMm = 2.0;
  constexpr double kPaperBeyondJobMm = 8.0;
  SheetSupply& supply = machine_.Bed().supply;
  if (!supply.job || supply.job->marks.size() < 2) return;
  PrintedJob job = *supply.job;
  const double first = job.marks.front().centre.a;
  const double second = job.marks.back().centre.a;
  const MainWindowFields& fields = model_->Fields();
  const double distance = fields.firstMarker * run_.unitFactor;
  const double cross = fields.firstMarkerCross * run_.unitFactor;
  double bMax = 0.0;
  for (const PrintedContour& contour : job.contours) {
    for (const JobPoint& p : contour.points) bMax = std::max(bMax, p.b);
  }
  job.sheet =
      SheetOutline{true, first - kEndEdgeBeforeFirstMarkMm - distance,
                   second + kLeadingEdgeBeyondSecondMarkMm, -cross, bMax + kPaperBeyondJobMm};
  supply.job = std::make_shared<const PrintedJob>(std::move(job));
  supply.faceDown = true;
  supply.feedIn.leadInMm = second + kLeadingEdgeBeyondSecondMarkMm - first;
}

void SimStation::StartTimer() {
  if (ticking_ || model_ == nullptr) return;
  ticking_ = true;
  timer_ = machine_.Clock().ScheduleAfter(kTimerPeriodMs, [this] { Tick(); });
}

void SimStation::Tick() {
  // The next tick is due before this one runs: a tick that waits through a sheet's sequence
  // finds its successor queued, as a window's timer would have it.
  timer_ = machine_.Clock().ScheduleAfter(kTimerPeriodMs, [this] { Tick(); });
  ActOutFaults();
  model_->OnTimer();
}

void SimStation::StopTimer() {
  if (!ticking_) return;
  ticking_ = false;
  machine_.Clock().Cancel(timer_);
}

void SimStation::SetUpSpecialTool() {
  if (model_ == nullptr || model_->Engine() == nullptr) return;
  link_.FindCutter();
  CutterCommand(kSpecialColorSetup, run_, model_->Engine()->Fields().commands, link_);
}

void OperateCalibration(SimClock& clock, CalibrationDialogModel& dialog) {
  constexpr std::int64_t kCutMs = 3'000;
  constexpr std::int64_t kReadMs = 1'000;
  std::function<void()> tick;
  SimClock::EventId next = 0;
  tick = [&] {
    dialog.OnTick();
    next = clock.ScheduleAfter(kTimerPeriodMs, tick);
  };
  next = clock.ScheduleAfter(kTimerPeriodMs, tick);
  dialog.OnCutMarker();
  clock.Advance(kCutMs);
  dialog.OnReadMarker();
  clock.Advance(kReadMs);
  clock.Cancel(next);
  dialog.OnSet();
}

bool SimStation::RunUntil(const std::function<bool()>& done, std::int64_t limitMs) {
  const std::int64_t end = machine_.Clock().NowMs() + limitMs;
  while (machine_.Clock().NowMs() < end) {
    if (done()) return true;
    machine_.Clock().Advance(kTimerPeriodMs);
  }
  return done();
}

void SimStation::ActOutFaults() {
  if (options_.fault != "cutter-unplugged") return;
  SimCutter& cutter = machine_.Cutter();
  if (!unplugArmed_ && run_.runPhase == kFirstMarkConfirmedPhase) {
    cutter.UnplugAfterBytes(kUnplugAfterBytes);
    unplugArmed_ = true;
  }
  const std::int64_t now = machine_.Clock().NowMs();
  if (unplugArmed_ && unpluggedAt_ < 0 && !cutter.Plugged()) unpluggedAt_ = now;
  if (unpluggedAt_ >= 0 && !cutter.Plugged() && now - unpluggedAt_ >= kUnpluggedMs) {
    cutter.Plug();
  }
}

}  // namespace orvex::sim
