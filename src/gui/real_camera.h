// The camera on the PC beside the cutter: V4L2 frames into the guarded frame buffer (and to the
// live pane), the camera chosen and started by the camera control with its settings, and the
// frame-ready notice queued from the capture thread to the window's thread, where the frame
// handler analyses it. Without any camera the camera control says so and ends the program.
#pragma once

#include <QObject>
#include <filesystem>
#include <memory>

#include "app/main_window_model.h"
#include "platform/v4l2_frame_source.h"
#include "vision/camera_control.h"
#include "vision/frame_buffer.h"
#include "vision/frame_handler.h"
#include "vision/snapshot.h"

namespace orvex::gui {

class RealCamera : public RunVision, public FrameReadyPoster, public CaptureNotices {
 public:
  RealCamera(RunContext& run, Profile& profile, Clock& clock, const std::filesystem::path& workDir,
             StillView* still, FrameSink* liveTap);
  ~RealCamera() override;
  RealCamera(const RealCamera&) = delete;
  RealCamera& operator=(const RealCamera&) = delete;

  // Starts the capture once the model exists to hear about its frames.
  void Attach(MainWindowModel& model);

  // RunVision
  void RequestFrame() override { handler_->RequestFrame(); }
  void AnalyseFrame() override;
  void SwitchCamera(int camera) override { control_->SwitchCamera(camera); }
  // FrameReadyPoster: called on the capture thread; the notice runs on the window's thread.
  void PostFrameReady() override;
  // CaptureNotices
  void ShowError(std::string_view message) override;
  void EndProcess(int exitCode) override;

 private:
  // The V4L2 stream handed to the live pane as well as to the frame buffer.
  class TappedSource;

  RunContext& run_;
  std::filesystem::path workDir_;
  std::unique_ptr<TappedSource> source_;
  FrameBuffer buffer_;
  SnapshotStore snapshots_;
  std::unique_ptr<CameraControl> control_;
  std::unique_ptr<FrameHandler> handler_;
  MainWindowModel* model_ = nullptr;
  QObject receiver_;  // queued notices die with it
};

}  // namespace orvex::gui
