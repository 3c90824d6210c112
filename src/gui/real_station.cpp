#include "gui/real_station.h"

#include "gui/camera_pane.h"
#include "platform/eps_converters.h"
#include "platform/pdf_converters.h"
#include "run/run_ports.h"

namespace orvex::gui {

namespace {

std::unique_ptr<QSettingsProfile> OpenProfile(const std::string& settingsFile) {
  if (settingsFile.empty()) return std::make_unique<QSettingsProfile>();
  return std::make_unique<QSettingsProfile>(QString::fromStdString(settingsFile));
}

}  // namespace

RealStation::RealStation(MainWindow& window, const std::filesystem::path& workDir,
                         const std::string& settingsFile)
    : window_(window),
      profile_(OpenProfile(settingsFile)),
      store_(*profile_),
      dir_(workDir),
      cutter_(cutterPort_, run_),
      feeder_(feederPort_),
      pdf_(MakePdfConverter()),
      eps_(MakeEpsConverter()),
      camera_(std::make_unique<RealCamera>(run_, *profile_, clock_, workDir, &window.StillPane(),
                                           &window.LiveFrames())) {
  MainWindowParts parts{run_,   window,  store_,          *profile_, dir_,
                        clock_, cutter_, window.Canvas(), *pdf_};
  parts.feeder = &feeder_;
  parts.vision = camera_.get();
  parts.cameraGraph = camera_.get();
  parts.eps = eps_.get();
  model_ = std::make_unique<MainWindowModel>(parts);
  camera_->Attach(*model_);
}

RealStation::~RealStation() {
  // The camera streams into the model; it stops before the model goes.
  camera_.reset();
}

}  // namespace orvex::gui
