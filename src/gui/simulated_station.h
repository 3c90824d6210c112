// The station on the simulated machine: the twin's cutter, feeder and camera behind the same
// links a real machine has, its virtual clock carried along with the wall clock (times the
// chosen speed), the live pane fed from the twin's camera. Technicians rehearse a job here and
// operators learn the window without spoiling sheets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "core/pdf_converter.h"
#include "import/eps_converter.h"
#include "gui/main_window.h"
#include "gui/paced_sim_clock.h"
#include "gui/station.h"
#include "platform/qsettings_profile.h"
#include "sim/sim_station.h"

namespace orvex::gui {

class SimulatedStation : public Station {
 public:
  // How the twin's time goes: along with the wall clock at `speed` times, or only as the
  // caller drives it (tests and the screenshots, which must not wait for a real sheet).
  enum class Time { kPaced, kDriven };
  SimulatedStation(MainWindow& window, const sim::StationOptions& options, Time time,
                   double speed, const std::filesystem::path& workDir,
                   const std::string& settingsFile);
  ~SimulatedStation() override;

  MainWindowModel& Model() override { return *model_; }
  RunContext& Run() override { return station_.Run(); }
  SettingsStore& Store() override { return station_.Store(); }
  void StartTimer() override;
  sim::SimStation& Twin() { return station_; }
  // Driven time: runs the twin in timer periods, the window's own events handled between them,
  // until `done` holds or `limitMs` of twin time passed. The result of `done`.
  bool DriveUntil(const std::function<bool()>& done, std::int64_t limitMs);

 private:
  std::unique_ptr<QSettingsProfile> profile_;
  std::unique_ptr<PdfConverter> pdf_;
  std::unique_ptr<EpsConverter> eps_;
  sim::SimStation station_;
  Time time_;
  PacedSimClock clock_;
  MainWindowModel* model_ = nullptr;
};

}  // namespace orvex::gui
