#include "gui/program_options.h"

#include <QSettings>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "platform/qsettings_profile.h"
#include "platform/work_dir_location.h"

namespace orvex::gui {

namespace {

constexpr double kSlowestSpeed = 0.1;
constexpr double kFastestSpeed = 100.0;

bool ParseSpeed(const std::string& text, double& speed) {
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || errno != 0 || !std::isfinite(value)) return false;
  if (value < kSlowestSpeed || value > kFastestSpeed) return false;
  speed = value;
  return true;
}

}  // namespace

std::optional<std::string> ParseProgramOptions(const std::vector<std::string>& arguments,
                                               ProgramOptions& options) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& name = arguments[i];
    if (name == "--help" || name == "-h") {
      options.help = true;
      continue;
    }
    if (name == "--version") {
      options.version = true;
      continue;
    }
    if (name == "--simulate") {
      options.simulate = true;
      continue;
    }
    if (name.empty() || name[0] != '-' || name == "-") {
      if (!options.job.empty()) return "one job at a time: " + options.job + " and " + name;
      options.job = name;
      continue;
    }
    if (i + 1 >= arguments.size()) return name + " wants a value";
    const std::string& value = arguments[++i];
    if (name == "--workdir") {
      options.workDir = value;
    } else if (name == "--settings") {
      options.settings = value;
    } else if (name == "--speed") {
      if (!ParseSpeed(value, options.speed)) return "--speed wants a factor from 0.1 to 100";
    } else {
      std::string problem;
      switch (sim::ParseStationOption(name, value, options.station, problem)) {
        case sim::OptionParse::kTaken:
          break;
        case sim::OptionParse::kBad:
          return problem;
        case sim::OptionParse::kNotMine:
          return "unknown option " + name;
      }
    }
  }
  const bool simulationOnly = options.station.fault.size() > 0;
  if (simulationOnly && !options.simulate) return "--fault needs --simulate";
  return std::nullopt;
}

std::string ProgramHelp() {
  std::string text =
      "usage: orvex [--simulate [--speed X] " + std::string(sim::kStationOptionsUsage) +
      "]\n"
      "             [--workdir DIR] [--settings FILE.conf] [FILE]\n"
      "       orvex --version\n\n"
      "The operator's station for print-and-cut: FILE (EPS, AI or PDF) is opened at start-up.\n"
      "  --simulate        run on the simulated cutter, feeder and camera instead of USB devices\n"
      "  --speed X         the simulated machine's time runs X times the wall clock (0.1 to 100)\n"
      "  --workdir DIR     the working directory (job files, snapshots, reports)\n"
      "  --settings FILE   read and write the settings in FILE instead of the profile\n\n";
  text += "Settings:          " + QSettingsProfile().FilePath().toStdString() + "\n";
  text += "Working directory: " + DefaultWorkDir().string() + " (ORVEX_WORKDIR overrides it)\n";
  return text;
}

}  // namespace orvex::gui
