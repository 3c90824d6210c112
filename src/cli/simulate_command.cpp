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
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cut_setting_file.h"
#include "app/headless_window.h"
#include "app/main_window_model.h"
#include "cli/commands.h"
#include "cli/json_text.h"
#include "core/memory_profile.h"
#include "import/preview_canvas.h"
#include "platform/eps_converters.h"
#include "platform/pdf_converters.h"
#include "platform/qsettings_profile.h"
#include "sim/sim_station.h"
#include "sim/station_options.h"
#include "vision/calibration.h"
#include "vision/mark_search_actions.h"

namespace orvex::cli {

const char* const kSimulateUsage =
    "simulate FILE [--workdir DIR] [--settings FILE.conf] [--media-width MM] [--sheets N]"
    " [--copies N] [--offset-mm DX,DY] [--rotate-deg A] [--feed-scale S] [--seed K]"
    " [--fault NAME] [--camera-offset-mm DX,DY] [--stack marks|edge] [--calibrate]"
    " [--special-mode N] [--without-marks] [--cut-setting FILE.cst] [--transcript FILE] [--json]"
    "  (faults: feeder-absent, feeder-silent, feeder-slow, cutter-silent, cutter-busy,"
    " cutter-late-busy, cutter-unplugged, camera-no-frames, marks-missing, mark-half-printed;"
    " exit 0 when the run ended after cut sheets and its jobs-report line was written, 1"
    " otherwise)";

namespace {

constexpr std::int64_t kDiscoveryMs = 10'000;        // the window open before Start
constexpr std::int64_t kRunLimitMs = 4 * 3'600'000;  // virtual time a run may take
// A run that cuts no sheet for this long waits for something the twin will not do.
constexpr std::int64_t kStallMs = 10 * 60'000;
// How far inside the side edge the edge-mode stack's print lies.
constexpr double kEdgeSheetPrintInsetMm = 3.0;

struct Options {
  std::string file;
  std::string workDir;
  std::string settings;
  sim::StationOptions station;
  std::optional<int> copies;
  std::optional<int> specialMode;  // the "Special Color" selection, as the operator would make it
  std::string cutSetting;          // loaded in More Options once the job is open
  std::string transcript;
  bool json = false;
  bool calibrate = false;     // the twin calibrated first, the pair stored and used for the run
  bool withoutMarks = false;  // "Cut without crop marks", as the operator would check it
};

int Usage(const std::string& problem) {
  std::fprintf(stderr, "orvex-cli simulate: %s\nusage: orvex-cli %s\n", problem.c_str(),
               kSimulateUsage);
  return kExitUsage;
}

bool ParseInt(const std::string& text, long minimum, long maximum, long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0' && errno == 0 && out >= minimum && out <= maximum;
}

std::optional<std::string> ParseOptions(const Arguments& args, Options& o) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded) {
      if (!o.file.empty()) return "more than one FILE";
      o.file = arg;
      continue;
    }
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == "--json") {
      o.json = true;
      continue;
    }
    if (arg == "--without-marks") {
      o.withoutMarks = true;
      continue;
    }
    if (arg == "--calibrate") {
      o.calibrate = true;
      continue;
    }
    if (arg.rfind("--", 0) != 0) {
      if (!o.file.empty()) return "more than one FILE";
      o.file = arg;
      continue;
    }
    std::optional<std::string> v = value();
    if (!v) return arg + " needs a value";
    std::string problem;
    switch (sim::ParseStationOption(arg, *v, o.station, problem)) {
      case sim::OptionParse::kTaken:
        continue;
      case sim::OptionParse::kBad:
        return problem;
      case sim::OptionParse::kNotMine:
        break;
    }
    long n = 0;
    if (arg == "--workdir") {
      o.workDir = *v;
    } else if (arg == "--settings") {
      o.settings = *v;
    } else if (arg == "--copies") {
      if (!ParseInt(*v, 1, 10000, n)) return "--copies wants 1 to 10000";
      o.copies = static_cast<int>(n);
    } else if (arg == "--special-mode") {
      if (!ParseInt(*v, 0, 4, n)) return "--special-mode wants an entry number 0 to 4";
      o.specialMode = static_cast<int>(n);
    } else if (arg == "--cut-setting") {
      o.cutSetting = *v;
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

// The settings the run starts from: the operator's file, if one is named, copied into memory
// so the run writes its settings as any run does and the file stays as it was. The last job is
// left out: the job is the one named here.
void CopySettingsFile(const std::string& file, Profile& into) {
  QSettingsProfile source(QString::fromStdString(file));
  std::vector<std::string_view> keys;
  for (std::string_view key : kAllKeys) {
    if (key != key::kLastJob) keys.push_back(key);
  }
  CopySettings(source, into, keys);
}

// The technician's calibration before the run: once the run loop has read the media width,
// the Calibration dialog with Cut Marker, Read Marker and Set; the pair goes to the settings
// file when one is named. False when the camera did not find the square, or took no frame to
// read it from.
bool Calibrate(sim::SimStation& station, MainWindowModel& model, HeadlessWindow& window,
               const Options& o, OffsetPair& pair) {
  constexpr std::int64_t kWidthReadMs = 60'000;
  station.StartTimer();
  RunContext& run = station.Run();
  station.RunUntil([&] { return run.mediaWidth == o.station.mediaWidthMm; }, kWidthReadMs);
  const std::size_t messagesBefore = model.OperatorMessages().size();
  window.SetCalibrationOperator([&station](CalibrationDialogModel& dialog) {
    sim::OperateCalibration(station.Machine().Clock(), dialog);
  });
  model.OnCalibration();
  // A read still pending once the dialog is set measured nothing: its pair is the one it started
  // from, and must not be stored as a calibration.
  if (run.calibrationRead != 0) return false;
  const std::vector<std::string>& messages = model.OperatorMessages();
  for (std::size_t i = messagesBefore; i < messages.size(); ++i) {
    if (messages[i] == kCalibrationNotFoundMessage) return false;
  }
  pair = {run.cameraOffsetX, run.cameraOffsetY};
  if (!o.settings.empty()) {
    // The pair is the camera's that read the square: on media wide enough for the second camera
    // it must not replace the first camera's pair.
    const OffsetKeys keys = ActiveOffsetKeys(run.secondCamera);
    QSettingsProfile file(QString::fromStdString(o.settings));
    file.WriteInt(kProfileSection, keys.x, pair.x);
    file.WriteInt(kProfileSection, keys.y, pair.y);
  }
  return true;
}

// Opens the job, and sets the window as the options say.
bool Prepare(sim::SimStation& station, MainWindowModel& model, HeadlessWindow& window,
             const Options& o, std::string& error) {
  if (o.station.edgeSheets) {
    // Edge mode places the print by the sheet's side edge; the operator sets how far inside it
    // the print lies ("Y"). At 0 the edge would stand 2 mm from the camera's centre, and a sheet
    // laid a little across would put the end edge's reading column off the paper.
    model.Fields().firstMarkerCross = kEdgeSheetPrintInsetMm;
    model.ShowFields();
  }
  model.OnFileOpen();
  if (!model.JobLoaded()) {
    error = model.OperatorMessages().empty() ? "the job was not loaded"
                                             : model.OperatorMessages().back();
    return false;
  }
  station.Run().mediaWidth = o.station.mediaWidthMm;
  if (!o.cutSetting.empty()) {
    // The operator's saved cut setting replaces the window's cut fields and lays the job out
    // again; the options below are set over it, as the operator would change them afterwards.
    window.SetCutSettingFile(o.cutSetting);
    model.OnMoreOptions();
    if (OptionsOutcome(station.Run()) != 1) {
      error = "cannot read cut setting file " + o.cutSetting;
      return false;
    }
  }
  if (o.specialMode) {
    const int entries = static_cast<int>(model.ComboEntries(window_id::kSpecialModeCombo).size());
    if (*o.specialMode >= entries) {
      error = "special mode " + std::to_string(*o.specialMode) + " is not offered (" +
              std::to_string(entries) + " entries)";
      return false;
    }
    model.SelectCombo(window_id::kSpecialModeCombo, *o.specialMode);
    model.OnSpecialModeChanged();
    station.SetUpSpecialTool();
  }
  if (o.withoutMarks) {
    model.Fields().withoutMarks = 1;
    model.ShowFields();
  }
  if (o.copies) {
    model.Fields().copies = *o.copies;
    model.Fields().copiesEntered = 1;
    model.ShowFields();
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

  // Edge mode needs sheets made for it; the stack is chosen with the mode.
  if (o.specialMode && (*o.specialMode == 2 || *o.specialMode == 3)) o.station.edgeSheets = true;
  sim::SimStation station(o.station, o.workDir, !o.transcript.empty());
  HeadlessWindow window(o.file);
  MemoryProfile settings;
  if (!o.settings.empty()) CopySettingsFile(o.settings, settings);
  NullPreviewCanvas canvas;
  std::unique_ptr<PdfConverter> pdf = MakePdfConverter();
  std::unique_ptr<EpsConverter> eps = MakeEpsConverter();
  sim::StationWindow parts{window, canvas, *pdf, settings};
  parts.eps = eps.get();
  MainWindowModel& model = station.BuildWindow(parts);
  model.Initialise();
  std::optional<OffsetPair> calibration;
  if (o.calibrate) {
    OffsetPair pair;
    if (!Calibrate(station, model, window, o, pair)) {
      std::fprintf(stderr, "orvex-cli simulate: the calibration square was not read\n");
      return kExitRefused;
    }
    calibration = pair;
  }
  std::string error;
  if (!Prepare(station, model, window, o, error)) {
    std::fprintf(stderr, "orvex-cli simulate: %s\n", error.c_str());
    return kExitRefused;
  }

  sim::SimClock& clock = station.Machine().Clock();
  station.StartTimer();
  clock.Advance(kDiscoveryMs);
  const std::int64_t started = clock.NowMs();
  model.OnStart();
  RunEngine& engine = *model.Engine();
  bool ended = false;
  std::string stopped = "(the run did not end within the simulated time limit)";
  int lastCount = 0;
  std::int64_t lastProgress = started;
  bool resumed = false;
  while (clock.NowMs() - started < kRunLimitMs) {
    if (!engine.Running() && !engine.Busy()) {
      ended = true;
      break;
    }
    if (engine.Paused() && !engine.Busy()) {
      // The operator of the cable fault takes the half-cut sheet out and resumes once the
      // cutter is back.
      if (o.station.fault == "cutter-unplugged" && !resumed && station.Run().linkState == 1) {
        resumed = true;
        model.OnPause();
        continue;
      }
      stopped = "(the run was paused and waits for the operator)";
      break;
    }
    const int count = engine.Fields().sheet.sheetCount;
    if (count != lastCount) {
      lastCount = count;
      lastProgress = clock.NowMs();
    } else if (clock.NowMs() - lastProgress > kStallMs) {
      stopped = "(no sheet was cut for 10 minutes of simulated time; the run was left running)";
      break;
    }
    clock.Advance(kTimerPeriodMs);
  }
  station.StopTimer();
  const double seconds = static_cast<double>(clock.NowMs() - started) / 1000.0;
  const int sheetsCut = engine.Fields().sheet.sheetCount;
  const sim::AccuracyReport accuracy = station.Accuracy();
  std::vector<std::string> messages = model.OperatorMessages();
  for (const std::string& problem : window.Problems()) messages.push_back(problem);
  // What the simulated machine could not do as a real one would: the run is not to be trusted.
  for (const std::string& problem : station.Machine().Bed().Problems()) {
    messages.push_back("(simulated machine) " + problem);
  }
  if (!ended) messages.push_back(stopped);

  if (!o.transcript.empty()) {
    std::ofstream out(o.transcript, std::ios::binary | std::ios::trunc);
    out << station.TranscriptText();
    if (!out) std::fprintf(stderr, "orvex-cli simulate: cannot write %s\n", o.transcript.c_str());
  }

  // A run whose record was lost is not a run that ended well: the operator must note it.
  const bool lostRecord = !model.LostRecord().empty();
  std::string reportLine = model.LastReportLine();
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
    std::printf("], \"report_line\": %s, \"report_written\": %s, \"virtual_seconds\": %.3f",
                JsonString(reportLine).c_str(), lostRecord ? "false" : "true", seconds);
    if (calibration) {
      std::printf(", \"calibration\": {\"x\": %d, \"y\": %d}", calibration->x, calibration->y);
    }
    std::printf("}\n");
  } else {
    if (calibration) {
      std::printf("calibration: deltaX %d, deltaY %d\n", calibration->x, calibration->y);
    }
    for (const sim::SheetAccuracy& sheet : accuracy.sheets) {
      std::printf("sheet %d: max %.3f mm, rms %.3f mm over %zu cut points\n", sheet.sheet,
                  sheet.maxMm, sheet.rmsMm, sheet.points);
    }
    std::printf("sheets cut: %d\n", sheetsCut);
    std::printf("report line: %s%s\n", reportLine.empty() ? "(none)" : reportLine.c_str(),
                lostRecord ? " (NOT written)" : "");
    for (const std::string& message : messages) {
      std::string oneLine = message;
      for (char& c : oneLine) {
        if (c == '\n' || c == '\r') c = ' ';
      }
      std::printf("message: %s\n", oneLine.c_str());
    }
    std::printf("virtual time: %.1f s\nworking directory: %s\n", seconds, o.workDir.c_str());
  }
  return ended && sheetsCut >= 1 && !lostRecord ? kExitOk : kExitRefused;
}

}  // namespace orvex::cli
