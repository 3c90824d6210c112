// The camera as the window has it, over any frame source: the source's frames go into the
// guarded frame buffer (and to the live pane, when there is one); the camera control chooses,
// starts and switches the camera with its settings, as the model's camera graph (File Open's
// choice by the job's size included); the model's analysis runs through the frame handler, which
// keeps the snapshots and draws the still pane. How the frame-ready notice reaches the model's
// thread, and what becomes of the camera control's notices, is the station's to say.
#pragma once

#include <filesystem>
#include <memory>

#include "app/main_window_model.h"
#include "core/frame_source.h"
#include "import/loader_view.h"
#include "run/run_ports.h"
#include "vision/camera_control.h"
#include "vision/frame_buffer.h"
#include "vision/frame_handler.h"
#include "vision/snapshot.h"

namespace orvex {

class StationCamera : public RunVision,
                      public CameraGraphControl,
                      public FrameReadyPoster,
                      public CaptureNotices {
 public:
  ~StationCamera() override;
  StationCamera(const StationCamera&) = delete;
  StationCamera& operator=(const StationCamera&) = delete;

  // Makes the frame handler for the model. The capture starts when the model builds its camera
  // graph (at its initialisation).
  void Attach(MainWindowModel& model);

  // RunVision
  void RequestFrame() override { handler_->RequestFrame(); }
  void AnalyseFrame() override;
  void SwitchCamera(int camera) override { control_.SwitchCamera(camera); }
  // CameraGraphControl
  void TearDown() override { control_.StopCapture(); }
  void Rebuild() override { control_.StartCapture(); }
  void RefreshSettings() override { control_.ApplySwitchSettings(); }

 protected:
  StationCamera(FrameSource& source, RunContext& run, Profile& profile, Clock& clock,
                const std::filesystem::path& workDir, StillView* still, FrameSink* liveTap);
  // Stops the capture and frees the frame buffer. A station whose notices need its own members
  // calls it from its destructor, so that no frame arrives once they are gone.
  void Shutdown();
  // Called before each analysis of a frame.
  virtual void BeforeAnalysis() {}
  MainWindowModel* Model() const { return model_; }

 private:
  // The source's stream handed to the live pane as well as to the frame buffer.
  class TappedSource : public FrameSource, public FrameSink {
   public:
    TappedSource(FrameSource& source, FrameSink* tap) : source_(source), tap_(tap) {}
    std::vector<CaptureDeviceInfo> ListDevices() override { return source_.ListDevices(); }
    int Start(const CaptureDeviceInfo& device, FrameSink& sink, int& width, int& height) override;
    void Stop() override { source_.Stop(); }
    bool SetExposureToDefault() override { return source_.SetExposureToDefault(); }
    bool ReadExposure(int& value) override { return source_.ReadExposure(value); }
    bool SetBrightness(int value) override { return source_.SetBrightness(value); }
    void OnFrame(double seconds, const std::uint8_t* bytes, std::size_t length) override;
    bool WantsFrame() const override;

   private:
    FrameSource& source_;
    FrameSink* tap_;
    FrameSink* sink_ = nullptr;
  };

  RunContext& run_;
  std::filesystem::path workDir_;
  TappedSource source_;
  FrameBuffer buffer_;
  SnapshotStore snapshots_;
  CameraControl control_;
  std::unique_ptr<FrameHandler> handler_;
  MainWindowModel* model_ = nullptr;
  bool shutDown_ = false;
};

}  // namespace orvex
