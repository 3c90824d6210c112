#include "app/station_camera.h"

namespace orvex {

int StationCamera::TappedSource::Start(const CaptureDeviceInfo& device, FrameSink& sink, int& width,
                                       int& height) {
  source_.Stop();  // the sink is swapped only while no frame is delivered
  sink_ = &sink;
  return source_.Start(device, *this, width, height);
}

void StationCamera::TappedSource::OnFrame(double seconds, const std::uint8_t* bytes,
                                          std::size_t length) {
  if (tap_ != nullptr) tap_->OnFrame(seconds, bytes, length);
  sink_->OnFrame(seconds, bytes, length);
}

bool StationCamera::TappedSource::WantsFrame() const {
  return tap_ != nullptr || (sink_ != nullptr && sink_->WantsFrame());
}

StationCamera::StationCamera(FrameSource& source, RunContext& run, Profile& profile, Clock& clock,
                             const std::filesystem::path& workDir, StillView* still,
                             FrameSink* liveTap)
    : run_(run),
      workDir_(workDir),
      source_(source, liveTap),
      buffer_(*this),
      snapshots_(workDir, still),
      // A switch makes the new camera's offset pair the active one: else the next Start would
      // store the other camera's pair under this camera's keys.
      control_(source_, buffer_, run, profile, clock, *this, [&run](OffsetPair pair) {
        run.cameraOffsetX = pair.x;
        run.cameraOffsetY = pair.y;
      }) {}

StationCamera::~StationCamera() {
  Shutdown();
}

void StationCamera::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  // The stream ends before the buffer it writes into goes.
  control_.Shutdown();
}

void StationCamera::Attach(MainWindowModel& model) {
  model_ = &model;
  handler_ = std::make_unique<FrameHandler>(run_, buffer_, snapshots_, model.AsMarkSearchActions(),
                                            workDir_);
}

void StationCamera::AnalyseFrame() {
  BeforeAnalysis();
  // The calibration dialog exists only once it has been opened; a read goes to it.
  handler_->SetCalibrationSink(model_->CalibrationSink());
  handler_->OnFrameReady();
}

}  // namespace orvex
