// The camera as the window has it, on the twin: the twin's stream goes into the guarded frame
// buffer (and to the live pane, when there is one), the frame-ready notice goes to the model,
// and the model's analysis runs through the frame handler, which keeps the snapshots and
// draws the still pane.
#pragma once

#include <filesystem>
#include <memory>

#include "app/main_window_model.h"
#include "core/frame_source.h"
#include "sim/sim_camera.h"
#include "vision/frame_buffer.h"
#include "vision/frame_handler.h"
#include "vision/snapshot.h"

namespace orvex::sim {

class TwinCamera : public RunVision, public FrameReadyPoster, public FrameSink {
 public:
  TwinCamera(SimCamera& camera, RunContext& run, const std::filesystem::path& workDir,
             StillView* still, FrameSink* liveTap);
  ~TwinCamera() override;
  TwinCamera(const TwinCamera&) = delete;
  TwinCamera& operator=(const TwinCamera&) = delete;

  // Starts the stream once the model exists to hear about its frames.
  void Attach(MainWindowModel& model);

  // RunVision
  void RequestFrame() override { handler_->RequestFrame(); }
  void AnalyseFrame() override;
  // The twin has one camera; the second camera's choice changes nothing it shows.
  void SwitchCamera(int /*camera*/) override {}
  // FrameReadyPoster: the twin streams on the main thread, so the notice goes straight in.
  void PostFrameReady() override;
  // FrameSink
  void OnFrame(double sampleTimeSeconds, const std::uint8_t* bytes, std::size_t length) override;
  bool WantsFrame() const override { return liveTap_ != nullptr || buffer_.WantsFrame(); }

 private:
  SimCamera& camera_;
  RunContext& run_;
  std::filesystem::path workDir_;
  FrameSink* liveTap_;
  FrameBuffer buffer_;
  SnapshotStore snapshots_;
  MainWindowModel* model_ = nullptr;
  std::unique_ptr<FrameHandler> handler_;
};

}  // namespace orvex::sim
