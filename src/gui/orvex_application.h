// The program `orvex`: the main window and the station it runs on (the real machine or the
// simulated one), wired together, and the window's life from start-up to close. RunOrvex adds
// the command line, the toolkit and the operator's language around it.
#pragma once

#include <QDBusConnection>
#include <filesystem>
#include <memory>

#include "gui/main_window.h"
#include "gui/program_options.h"
#include "gui/simulated_station.h"
#include "gui/station.h"
#include "platform/logind_sleep_inhibitor.h"

namespace orvex::gui {

class OrvexApplication {
 public:
  // `time` only matters on the simulated machine: the program paces it to the wall clock,
  // tests and the screenshots drive it. `sleepBus` is where logind holds the PC's sleep off
  // during a run, on either machine: a rehearsal must not be cut short by sleep either.
  OrvexApplication(const ProgramOptions& options, const std::filesystem::path& workDir,
                   SimulatedStation::Time time = SimulatedStation::Time::kPaced,
                   const QDBusConnection& sleepBus = QDBusConnection::systemBus());
  ~OrvexApplication();

  // Shows the window, then initialises the model over it, starts the timer and opens the job
  // named on the command line.
  void Start();

  MainWindow& Window() { return window_; }
  Station& Machine() { return *station_; }
  // The simulated machine, or null on the real one.
  SimulatedStation* Simulated();

 private:
  void OpenServiceDialog();

  ProgramOptions options_;
  MainWindow window_;
  LogindSleepInhibitor sleep_;  // outlives the station's model, which holds it
  std::unique_ptr<Station> station_;
};

// Where `orvex` keeps its working files for these options (created if need be); empty with
// the reason in `problem` when it cannot be made.
std::filesystem::path PrepareWorkDir(const ProgramOptions& options, std::string& problem);

int RunOrvex(int argc, char** argv);

}  // namespace orvex::gui
