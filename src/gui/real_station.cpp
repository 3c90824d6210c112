#include "gui/real_station.h"

#include "platform/eps_converters.h"
#include "platform/pdf_converters.h"
#include "run/run_ports.h"

namespace orvex::gui {

// No camera yet: a frame asked for never arrives, so the run's mark search times out with the
// run engine's own message instead of cutting blind.
class RealStation::NoCamera : public RunVision {
 public:
  void RequestFrame() override {}
  void AnalyseFrame() override {}
  void SwitchCamera(int /*camera*/) override {}
};

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
      camera_(std::make_unique<NoCamera>()) {
  MainWindowParts parts{run_,   window,  store_,          *profile_, dir_,
                        clock_, cutter_, window.Canvas(), *pdf_};
  parts.feeder = &feeder_;
  parts.vision = camera_.get();
  parts.eps = eps_.get();
  model_ = std::make_unique<MainWindowModel>(parts);
}

RealStation::~RealStation() = default;

}  // namespace orvex::gui
