// orvex-cli simulate: a dry run of the whole station on the simulated machine. The job is
// loaded through the main window's File Open, Start is pressed, and the twin's cutter, feeder
// and camera answer in virtual time until the run ends; then every sheet's registration error
// against its printed contours, the sheets counted, the jobs-report line and every operator
// message are printed. A technician compares --transcript with a real machine's traffic.
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/headless_window.h"
#include "app/main_window_model.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "core/memory_profile.h"
#include "import/preview_canvas.h"
#include "platform/pdf_converters.h"
#include "platform/qsettings_profile.h"
#include "sim/sim_machine.h"
#include "sim/sim_transcript.h"
#include "vision/camera_frame.h"
#include "vision/edge_search.h"
#include "vision/mark_search.h"

namespace orvex::cli {

const char* const kSimulateUsage =
    "simulate FILE [--workdir DIR] [--settings FILE.conf] [--media-width MM] [--sheets N]"
    " [--copies N] [--offset-mm DX,DY] [--rotate-deg A] [--feed-scale S] [--seed K]"
    " [--fault NAME] [--special-mode N] [--transcript FILE] [--json]"
    "  (faults: feeder-absent, feeder-silent, cutter-silent, cutter-busy, cutter-unplugged,"
    " camera-no-frames, marks-missing; exit 0 when the run ended after cut sheets, 1 otherwise)";

namespace {

constexpr std::int64_t kDiscoveryMs = 10'000;        // the window open before Start
constexpr std::int64_t kRunLimitMs = 4 * 3'600'000;  // virtual time a run may take
// A run that cuts no sheet for this long waits for something the twin will not do.
constexpr std::int64_t kStallMs = 10 * 60'000;
constexpr int kFrameLatencyMs = 40;  // request to delivery on the capture thread
constexpr double kRandomOffsetMm = 3.0;
constexpr double kRandomRotationDeg = 0.5;
constexpr double kRandomStretch = 0.003;

struct Options {
  std::string file;
  std::string workDir;
  std::string settings;
  double mediaWidthMm = 320.0;
  int sheets = 3;
  std::optional<int> copies;
  double offsetFeedMm = 0.0;
  double offsetCrossMm = 0.0;
  double rotationDeg = 0.0;
  double feedScale = 1.0;
  std::optional<std::uint32_t> seed;
  std::string fault;
  std::optional<int> specialMode;  // the "Special Color" selection, as the operator would make it
  std::string transcript;
  bool json = false;
};

const char* const kFaults[] = {"feeder-absent", "feeder-silent",    "cutter-silent",
                               "cutter-busy",   "cutter-unplugged", "camera-no-frames",
                               "marks-missing"};
// cutter-unplugged: the cable comes out this many bytes into the first sheet's cut stream and
// goes back in after the pause below, so discovery, the connect notice and the lost sheet show.
constexpr std::int64_t kUnplugAfterBytes = 2000;
constexpr std::int64_t kUnpluggedMs = 30'000;

int Usage(const std::string& problem) {
  std::fprintf(stderr, "orvex-cli simulate: %s\nusage: orvex-cli %s\n", problem.c_str(),
               kSimulateUsage);
  return kExitUsage;
}

bool ParseDouble(const std::string& text, double& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0' && errno == 0 && std::isfinite(out);
}

bool ParseInt(const std::string& text, long minimum, long maximum, long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0' && errno == 0 && out >= minimum && out <= maximum;
}

std::optional<std::string> ParseOptions(const Arguments& args, Options& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == "--json") {
      o.json = true;
      continue;
    }
    if (arg.rfind("--", 0) != 0) {
      if (!o.file.empty()) return "more than one FILE";
      o.file = arg;
      continue;
    }
    std::optional<std::string> v = value();
    if (!v) return arg + " needs a value";
    long n = 0;
    if (arg == "--workdir") {
      o.workDir = *v;
    } else if (arg == "--settings") {
      o.settings = *v;
    } else if (arg == "--media-width") {
      if (!ParseDouble(*v, o.mediaWidthMm) || o.mediaWidthMm < 50 || o.mediaWidthMm > 2000) {
        return "--media-width wants millimetres between 50 and 2000";
      }
    } else if (arg == "--sheets") {
      if (!ParseInt(*v, 1, 10000, n)) return "--sheets wants 1 to 10000";
      o.sheets = static_cast<int>(n);
    } else if (arg == "--copies") {
      if (!ParseInt(*v, 1, 10000, n)) return "--copies wants 1 to 10000";
      o.copies = static_cast<int>(n);
    } else if (arg == "--offset-mm") {
      const std::size_t comma = v->find(',');
      if (comma == std::string::npos || !ParseDouble(v->substr(0, comma), o.offsetFeedMm) ||
          !ParseDouble(v->substr(comma + 1), o.offsetCrossMm) || std::abs(o.offsetFeedMm) > 50 ||
          std::abs(o.offsetCrossMm) > 50) {
        return "--offset-mm wants DX,DY in millimetres, each within 50";
      }
    } else if (arg == "--rotate-deg") {
      if (!ParseDouble(*v, o.rotationDeg) || std::abs(o.rotationDeg) > 10) {
        return "--rotate-deg wants degrees within 10";
      }
    } else if (arg == "--feed-scale") {
      if (!ParseDouble(*v, o.feedScale) || o.feedScale < 0.9 || o.feedScale > 1.1) {
        return "--feed-scale wants a factor between 0.9 and 1.1";
      }
    } else if (arg == "--seed") {
      if (!ParseInt(*v, 0, 0xFFFFFFFFL, n)) return "--seed wants a number";
      o.seed = static_cast<std::uint32_t>(n);
    } else if (arg == "--fault") {
      bool known = false;
      for (const char* fault : kFaults) known = known || *v == fault;
      if (!known) return "unknown fault '" + *v + "'";
      o.fault = *v;
    } else if (arg == "--special-mode") {
      if (!ParseInt(*v, 0, 4, n)) return "--special-mode wants an entry number 0 to 4";
      o.specialMode = static_cast<int>(n);
    } else if (arg == "--transcript") {
      o.transcript = *v;
    } else {
      return "unknown option " + arg;
    }
  }
  if (o.file.empty()) return "no FILE given";
  // The job is known by its full path, as a File Open would give it: the jobs report and
  // recent.dat key on it.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(o.file, error);
  if (!error) o.file = absolute.string();
  return std::nullopt;
}

// The camera's frames on the twin: a request is answered after the capture latency with the
// view under the head at that moment, and the analysis runs where the window would run it.
class TwinVision : public RunVision {
 public:
  TwinVision(sim::SimMachine& machine, RunContext& run) : machine_(machine), run_(run) {
    frame_.width = kFrameWidth;
    frame_.height = kFrameHeight;
  }
  void Attach(MainWindowModel& model) { model_ = &model; }
  void RequestFrame() override {
    if (!machine_.Camera().Settings().deliversFrames) return;
    machine_.Clock().ScheduleAfter(kFrameLatencyMs, [this] {
      machine_.Camera().Render(frame_.bytes);
      waiting_ = true;
      if (model_ != nullptr) model_->OnFrameReady();
    });
  }
  void AnalyseFrame() override {
    if (!waiting_ || model_ == nullptr) return;
    waiting_ = false;
    if (run_.detectionHold != 0) return;
    MarkSearchActions& actions = model_->AsMarkSearchActions();
    const MarkPoint found =
        run_.edgeMode == 0 ? FindMark(frame_, run_, actions) : FindSheetEdge(frame_, run_, actions);
    run_.markCol = found.col;
    run_.markRow = found.row;
    run_.markResult = found.Found() ? 1 : -1;
  }
  void SwitchCamera(int) override {}

 private:
  sim::SimMachine& machine_;
  RunContext& run_;
  MainWindowModel* model_ = nullptr;
  CameraFrame frame_;
  bool waiting_ = false;
};

// One station: the twin, the transports, the window model and its engine.
struct Station {
  Station(const Options& o, const std::string& workDir, bool record)
      : machine(CutterSettings(o), FeederSettings(o), CameraSettings(o)),
        transcript(machine.Clock(), record),
        cutterTap(machine.Cutter(), transcript),
        feederTap(machine.Feeder(), transcript),
        link(cutterTap, run),
        feeder(feederTap),
        window(o.file),
        store(settings),
        dir(workDir),
        workDirPath(workDir),
        vision(machine, run) {
    if (o.fault == "cutter-silent") machine.Cutter().Faults().silent = true;
    if (o.fault == "cutter-busy") machine.Cutter().Faults().neverReady = true;
    MainWindowParts parts{run, window, store, settings, dir, machine.Clock(), link, canvas, *pdf};
    parts.feeder = &feeder;
    parts.vision = &vision;
    model = std::make_unique<MainWindowModel>(parts);
    vision.Attach(*model);
  }

  static sim::SimCutterSettings CutterSettings(const Options& o) {
    sim::SimCutterSettings s;
    s.mediaWidthTenths = static_cast<int>(std::lround(o.mediaWidthMm * 10.0));
    return s;
  }
  static sim::SimFeederSettings FeederSettings(const Options& o) {
    sim::SimFeederSettings s;
    s.sheets = o.sheets;
    s.present = o.fault != "feeder-absent";
    s.silent = o.fault == "feeder-silent";
    return s;
  }
  static sim::SimCameraSettings CameraSettings(const Options& o) {
    sim::SimCameraSettings s;
    s.deliversFrames = o.fault != "camera-no-frames";
    s.showsMarks = o.fault != "marks-missing";
    return s;
  }

  void StartTimer() {
    timer = machine.Clock().ScheduleAfter(kTimerPeriodMs, [this] {
      StartTimer();
      model->OnTimer();
    });
  }

  RunContext run;
  sim::SimMachine machine;
  sim::Transcript transcript;
  sim::RecordingCutter cutterTap;
  sim::RecordingFeeder feederTap;
  CutterLink link;
  FeederLink feeder;
  HeadlessWindow window;
  MemoryProfile settings;
  SettingsStore store;
  WorkDir dir;
  std::filesystem::path workDirPath;
  NullPreviewCanvas canvas;
  std::unique_ptr<PdfConverter> pdf = MakePdfConverter();
  TwinVision vision;
  std::unique_ptr<MainWindowModel> model;
  sim::SimClock::EventId timer = 0;
};

void CopySettings(const std::string& file, Profile& into) {
  QSettingsProfile source(QString::fromStdString(file));
  for (std::string_view key : kAllKeys) {
    if (key == key::kLastJob) continue;
    constexpr int kAbsent = -2147483647;
    const int value = source.ReadInt(kProfileSection, key, kAbsent);
    if (value != kAbsent) into.WriteInt(kProfileSection, key, value);
  }
}

// Opens the job, and with the window's settings as Start would leave them, the head's place
// after a sheet cycle: that fixes where the twin's camera and sheet origin must be.
bool Prepare(Station& s, const Options& o, std::string& error) {
  if (!o.settings.empty()) CopySettings(o.settings, s.settings);
  s.model->Initialise();
  s.model->OnFileOpen();
  if (!s.model->JobLoaded()) {
    error = s.model->OperatorMessages().empty() ? "the job was not loaded"
                                                : s.model->OperatorMessages().back();
    return false;
  }
  s.run.mediaWidth = o.mediaWidthMm;
  std::string message;
  if (!s.machine.LoadJob(s.workDirPath, message)) {
    error = message;
    return false;
  }
  if (o.specialMode) {
    const int entries =
        static_cast<int>(s.model->ComboEntries(window_id::kSpecialModeCombo).size());
    if (*o.specialMode >= entries) {
      error = "special mode " + std::to_string(*o.specialMode) + " is not offered (" +
              std::to_string(entries) + " entries)";
      return false;
    }
    s.model->SelectCombo(window_id::kSpecialModeCombo, *o.specialMode);
    s.model->OnSpecialModeChanged();
  }
  if (o.copies) {
    s.model->Fields().copies = *o.copies;
    s.model->Fields().copiesEntered = 1;
    s.model->ShowFields();
  }
  return true;
}

std::string MakeTempWorkDir() {
  std::string pattern = "/tmp/orvex-simulate-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

}  // namespace

int RunSimulate(const Arguments& args) {
  Options o;
  if (std::optional<std::string> problem = ParseOptions(args, o)) return Usage(*problem);
  if (o.workDir.empty()) o.workDir = MakeTempWorkDir();
  std::error_code ec;
  std::filesystem::create_directories(o.workDir, ec);
  if (o.workDir.empty() || !std::filesystem::is_directory(o.workDir, ec)) {
    std::fprintf(stderr, "orvex-cli simulate: no working directory\n");
    return kExitRefused;
  }

  // A rehearsal of one sheet cycle on a twin of its own tells where the head stops.
  sim::RunExpectation expectation;
  {
    Station rehearsal(o, o.workDir, false);
    std::string error;
    if (!Prepare(rehearsal, o, error)) {
      std::fprintf(stderr, "orvex-cli simulate: %s\n", error.c_str());
      return kExitRefused;
    }
    rehearsal.link.FindCutter();
    rehearsal.model->Engine()->StartSheet();
    expectation.headCrossTenths = rehearsal.run.headCross;
    expectation.headAfterFeed = rehearsal.machine.Bed().head;
  }

  Station s(o, o.workDir, !o.transcript.empty());
  std::string error;
  if (!Prepare(s, o, error)) {
    std::fprintf(stderr, "orvex-cli simulate: %s\n", error.c_str());
    return kExitRefused;
  }
  expectation.mediaWidthMm = o.mediaWidthMm;
  expectation.cameraOffsetXTenths = s.run.cameraOffsetX;
  expectation.cameraOffsetYTenths = s.run.cameraOffsetY;
  sim::AlignToRun(s.machine, expectation);
  sim::SheetSupply& supply = s.machine.Bed().supply;
  if (o.seed) {
    supply.random = true;
    supply.seed = *o.seed;
    supply.maxOffsetMm = kRandomOffsetMm;
    supply.maxRotationDeg = kRandomRotationDeg;
    supply.maxStretch = kRandomStretch;
  } else {
    supply.placement.offsetFeedMm = o.offsetFeedMm;
    supply.placement.offsetCrossMm = o.offsetCrossMm;
    supply.placement.rotationDeg = o.rotationDeg;
    supply.placement.feedScale = o.feedScale;
  }

  s.StartTimer();
  s.machine.Clock().Advance(kDiscoveryMs);
  const std::int64_t started = s.machine.Clock().NowMs();
  s.model->OnStart();
  RunEngine& engine = *s.model->Engine();
  bool ended = false;
  std::string stopped = "(the run did not end within the simulated time limit)";
  int lastCount = 0;
  std::int64_t lastProgress = started;
  bool unplugArmed = false;
  std::int64_t unpluggedAt = -1;
  while (s.machine.Clock().NowMs() - started < kRunLimitMs) {
    if (o.fault == "cutter-unplugged") {
      sim::SimCutter& cutter = s.machine.Cutter();
      // Armed once the first mark is confirmed: the next long write is that sheet's stream.
      if (!unplugArmed && s.run.runPhase == 2) {
        cutter.UnplugAfterBytes(kUnplugAfterBytes);
        unplugArmed = true;
      }
      const std::int64_t now = s.machine.Clock().NowMs();
      if (unplugArmed && unpluggedAt < 0 && !cutter.Plugged()) unpluggedAt = now;
      if (unpluggedAt >= 0 && !cutter.Plugged() && now - unpluggedAt >= kUnpluggedMs) {
        cutter.Plug();
      }
    }
    if (!engine.Running() && !engine.Busy()) {
      ended = true;
      break;
    }
    if (engine.Paused() && !engine.Busy()) {
      stopped = "(the run was paused and waits for the operator)";
      break;
    }
    const int count = engine.Fields().sheet.sheetCount;
    if (count != lastCount) {
      lastCount = count;
      lastProgress = s.machine.Clock().NowMs();
    } else if (s.machine.Clock().NowMs() - lastProgress > kStallMs) {
      stopped = "(no sheet was cut for 10 minutes of simulated time; the run was left running)";
      break;
    }
    s.machine.Clock().Advance(kTimerPeriodMs);
  }
  s.machine.Clock().Cancel(s.timer);
  const double seconds = static_cast<double>(s.machine.Clock().NowMs() - started) / 1000.0;
  const int sheetsCut = engine.Fields().sheet.sheetCount;
  const sim::AccuracyReport accuracy = s.machine.Accuracy();
  std::vector<std::string> messages = s.model->OperatorMessages();
  for (const std::string& problem : s.window.Problems()) messages.push_back(problem);
  if (!ended) messages.push_back(stopped);

  if (!o.transcript.empty()) {
    std::ofstream out(o.transcript, std::ios::binary | std::ios::trunc);
    out << s.transcript.Text();
    if (!out) std::fprintf(stderr, "orvex-cli simulate: cannot write %s\n", o.transcript.c_str());
  }

  std::string reportLine = s.model->LastReportLine();
  while (!reportLine.empty() && reportLine.back() == '\n') reportLine.pop_back();
  if (o.json) {
    std::printf("{\"sheets_cut\": %d, \"sheets\": [", sheetsCut);
    for (std::size_t i = 0; i < accuracy.sheets.size(); ++i) {
      std::printf("%s{\"max_error_mm\": %.4f, \"rms_error_mm\": %.4f}", i ? ", " : "",
                  accuracy.sheets[i].maxMm, accuracy.sheets[i].rmsMm);
    }
    std::printf("], \"messages\": [");
    for (std::size_t i = 0; i < messages.size(); ++i) {
      std::printf("%s%s", i ? ", " : "", JsonString(messages[i]).c_str());
    }
    std::printf("], \"report_line\": %s, \"virtual_seconds\": %.3f}\n",
                JsonString(reportLine).c_str(), seconds);
  } else {
    for (const sim::SheetAccuracy& sheet : accuracy.sheets) {
      std::printf("sheet %d: max %.3f mm, rms %.3f mm over %zu cut points\n", sheet.sheet,
                  sheet.maxMm, sheet.rmsMm, sheet.points);
    }
    std::printf("sheets cut: %d\n", sheetsCut);
    std::printf("report line: %s\n", reportLine.empty() ? "(none)" : reportLine.c_str());
    for (const std::string& message : messages) {
      std::string oneLine = message;
      for (char& c : oneLine) {
        if (c == '\n' || c == '\r') c = ' ';
      }
      std::printf("message: %s\n", oneLine.c_str());
    }
    std::printf("virtual time: %.1f s\nworking directory: %s\n", seconds, o.workDir.c_str());
  }
  return ended && sheetsCut >= 1 ? kExitOk : kExitRefused;
}

}  // namespace orvex::cli
