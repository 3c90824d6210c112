// The command line of `orvex`: the simulated machine and its run options, the working directory,
// a settings file, and a job to open at start-up (so a file manager can open a job in Orvex).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/station_options.h"

namespace orvex::gui {

struct ProgramOptions {
  bool simulate = false;
  double speed = 1.0;  // the simulated machine's time against the wall clock
  sim::StationOptions station;
  std::string workDir;   // empty: the desktop's default place
  std::string settings;  // empty: the operator's own profile
  std::string job;       // opened as if File Open had chosen it
  bool help = false;
  bool version = false;
};

// Fills `options` from the arguments after the program name; the problem when one is refused.
std::optional<std::string> ParseProgramOptions(const std::vector<std::string>& arguments,
                                               ProgramOptions& options);

// The --help text: the options, and where the settings and the working directory are kept.
std::string ProgramHelp();

}  // namespace orvex::gui
