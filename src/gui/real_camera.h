// The camera on the PC beside the cutter: V4L2 frames, with the frame-ready notice queued from
// the capture thread to the window's thread, where the frame handler analyses it. Without any
// camera the camera control says so and ends the program.
#pragma once

#include <QObject>
#include <filesystem>

#include "app/station_camera.h"
#include "platform/v4l2_frame_source.h"

namespace orvex::gui {

class RealCamera : public StationCamera {
 public:
  RealCamera(RunContext& run, Profile& profile, Clock& clock, const std::filesystem::path& workDir,
             StillView* still, FrameSink* liveTap)
      : StationCamera(v4l2_, run, profile, clock, workDir, still, liveTap) {}
  // The capture thread ends before the notices' receiver goes.
  ~RealCamera() override { Shutdown(); }

  // Called on the capture thread; the notice runs on the window's thread.
  void PostFrameReady() override;
  void ShowError(std::string_view message) override;
  void EndProcess(int exitCode) override;

 private:
  V4l2FrameSource v4l2_;
  QObject receiver_;  // queued notices die with it
};

}  // namespace orvex::gui
