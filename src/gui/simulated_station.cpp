#include "gui/simulated_station.h"

#include <QCoreApplication>

#include "gui/camera_pane.h"
#include "platform/eps_converters.h"
#include "platform/pdf_converters.h"

namespace orvex::gui {

SimulatedStation::SimulatedStation(MainWindow& window, const sim::StationOptions& options,
                                   Time time, double speed,
                                   const std::filesystem::path& workDir,
                                   const std::string& settingsFile)
    : profile_(std::make_unique<QSettingsProfile>(QString::fromStdString(settingsFile))),
      pdf_(MakePdfConverter()),
      eps_(MakeEpsConverter()),
      station_(options, workDir),
      time_(time),
      clock_(station_.Machine().Clock(), speed) {
  sim::StationWindow parts{window, window.Canvas(), *pdf_, *profile_};
  parts.eps = eps_.get();
  if (time_ == Time::kPaced) parts.clock = &clock_;
  parts.still = &window.StillPane();
  parts.liveTap = &window.LiveFrames();
  model_ = &station_.BuildWindow(parts);
}

SimulatedStation::~SimulatedStation() {
  station_.StopTimer();
}

bool SimulatedStation::DriveUntil(const std::function<bool()>& done, std::int64_t limitMs) {
  for (std::int64_t spent = 0; spent < limitMs; spent += kTimerPeriodMs) {
    if (done()) return true;
    station_.RunUntil([] { return false; }, kTimerPeriodMs);
    QCoreApplication::processEvents();
  }
  return done();
}

void SimulatedStation::StartTimer() {
  station_.StartTimer();
  if (time_ == Time::kPaced) clock_.Start();
}

}  // namespace orvex::gui
