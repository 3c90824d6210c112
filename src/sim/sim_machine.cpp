// The simulated machine's assembly.
#include "sim/sim_machine.h"

#include <cmath>

namespace orvex::sim {

SimMachine::SimMachine(SimCutterSettings cutter, SimFeederSettings feeder, SimCameraSettings camera)
    : cutter_(clock_, bed_, std::move(cutter)),
      feeder_(clock_, bed_, std::move(feeder)),
      camera_(clock_, bed_, std::move(camera)) {
  bed_.supply.feedIn.mediaWidthMm = cutter_.Settings().mediaWidthTenths / 10.0;
}

void SimMachine::SetMediaWidth(double mm) {
  cutter_.Settings().mediaWidthTenths = static_cast<int>(std::lround(mm * 10.0));
  bed_.supply.feedIn.mediaWidthMm = mm;
}

bool SimMachine::LoadJob(const std::filesystem::path& workDir, std::string& message) {
  JobLoad load = LoadPrintedJob(workDir);
  if (!load.ok) {
    message = load.message;
    return false;
  }
  SetJob(std::move(load.job));
  message.clear();
  return true;
}

void SimMachine::SetJob(PrintedJob job) {
  bed_.supply.job = std::make_shared<const PrintedJob>(std::move(job));
}

}  // namespace orvex::sim
