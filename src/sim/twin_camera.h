// The camera as the window has it, on the twin. The twin streams on the main thread, so the
// frame-ready notice goes straight to the model; every analysed frame is a look the twin checks
// (a look off the media is a problem of the run); the camera control's notices, which only a
// machine without a camera gives, are the bed's problems.
#pragma once

#include <filesystem>

#include "app/station_camera.h"
#include "sim/sim_bed.h"
#include "sim/sim_camera.h"

namespace orvex::sim {

class TwinCamera : public StationCamera {
 public:
  TwinCamera(SimCamera& camera, SimBed& bed, RunContext& run, Profile& profile, Clock& clock,
             const std::filesystem::path& workDir, StillView* still, FrameSink* liveTap)
      : StationCamera(camera, run, profile, clock, workDir, still, liveTap),
        camera_(camera),
        bed_(bed) {}

  void PostFrameReady() override {
    if (Model() != nullptr) Model()->OnFrameReady();
  }
  void ShowError(std::string_view message) override;
  void EndProcess(int exitCode) override;

 private:
  void BeforeAnalysis() override { camera_.NoteLook(); }

  SimCamera& camera_;
  SimBed& bed_;
};

}  // namespace orvex::sim
