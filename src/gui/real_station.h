// The station on the PC beside the cutter: the operator's profile and working directory, the
// wall clock with waits that keep the window painting, and the cutter, feeder and camera links.
// The cutter on libusb, the feeder on hidapi, the camera on V4L2.
#pragma once

#include <filesystem>
#include <memory>

#include "core/pdf_converter.h"
#include "core/work_dir.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "gui/event_loop_clock.h"
#include "gui/main_window.h"
#include "gui/real_camera.h"
#include "gui/station.h"
#include "import/eps_converter.h"
#include "platform/hidapi_feeder_transport.h"
#include "platform/libusb_cutter_transport.h"
#include "platform/qsettings_profile.h"

namespace orvex::gui {

class RealStation : public Station {
 public:
  // `settingsFile` empty: the operator's own profile.
  RealStation(MainWindow& window, const std::filesystem::path& workDir,
              const std::string& settingsFile);
  ~RealStation() override;

  MainWindowModel& Model() override { return *model_; }
  RunContext& Run() override { return run_; }
  SettingsStore& Store() override { return store_; }
  void StartTimer() override { window_.StartModelTimer(); }

 private:
  MainWindow& window_;
  RunContext run_;
  std::unique_ptr<QSettingsProfile> profile_;
  SettingsStore store_;
  WorkDir dir_;
  EventLoopClock clock_;
  LibusbCutterTransport cutterPort_;
  HidapiFeederTransport feederPort_;
  CutterLink cutter_;
  FeederLink feeder_;
  std::unique_ptr<PdfConverter> pdf_;
  std::unique_ptr<EpsConverter> eps_;
  std::unique_ptr<RealCamera> camera_;
  std::unique_ptr<MainWindowModel> model_;
};

}  // namespace orvex::gui
