// The simulated machine's assembly, and its alignment with a run's expectations.
#include "sim/sim_machine.h"

#include <cmath>

namespace orvex::sim {

SimMachine::SimMachine(SimCutterSettings cutter, SimFeederSettings feeder, SimCameraSettings camera)
    : cutter_(clock_, bed_, std::move(cutter)),
      feeder_(clock_, bed_, std::move(feeder)),
      camera_(clock_, bed_, std::move(camera)) {}

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

void AlignToRun(SimMachine& machine, const RunExpectation& run) {
  JobPoint first;
  if (machine.Bed().supply.job && !machine.Bed().supply.job->marks.empty()) {
    first = machine.Bed().supply.job->marks.front().centre;
  }
  SimCameraSettings& camera = machine.Camera().Settings();
  camera.offsetFeedTenths = run.cameraOffsetXTenths;
  const double crossMm = run.mediaWidthMm - run.cameraOffsetYTenths / 10.0 -
                         run.headCrossTenths / 10.0 + 2.0 - first.b;
  camera.offsetCrossTenths = crossMm * 10.0;
  const MachinePoint axis{run.headAfterFeed.x + camera.offsetFeedTenths / 10.0,
                          run.headAfterFeed.y + camera.offsetCrossTenths / 10.0};
  machine.Bed().supply.nominalOrigin = MachinePoint{axis.x - first.a, axis.y + first.b};
}

}  // namespace orvex::sim
