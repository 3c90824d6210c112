#include "sim/twin_camera.h"

#include <vector>

namespace orvex::sim {

TwinCamera::TwinCamera(SimCamera& camera, RunContext& run, const std::filesystem::path& workDir,
                       StillView* still, FrameSink* liveTap)
    : camera_(camera),
      run_(run),
      workDir_(workDir),
      liveTap_(liveTap),
      buffer_(*this),
      snapshots_(workDir, still) {}

TwinCamera::~TwinCamera() {
  camera_.Stop();
}

void TwinCamera::Attach(MainWindowModel& model) {
  model_ = &model;
  handler_ = std::make_unique<FrameHandler>(run_, buffer_, snapshots_,
                                            model.AsMarkSearchActions(), workDir_);
  const std::vector<CaptureDeviceInfo> devices = camera_.ListDevices();
  int width = 0;
  int height = 0;
  if (!devices.empty()) camera_.Start(devices.front(), *this, width, height);
  buffer_.SetFrameSize(width, height);
}

void TwinCamera::AnalyseFrame() {
  camera_.NoteLook();
  // The calibration dialog exists only once it has been opened; a read goes to it.
  handler_->SetCalibrationSink(model_->CalibrationSink());
  handler_->OnFrameReady();
}

void TwinCamera::PostFrameReady() {
  if (model_ != nullptr) model_->OnFrameReady();
}

void TwinCamera::OnFrame(double sampleTimeSeconds, const std::uint8_t* bytes,
                         std::size_t length) {
  if (liveTap_ != nullptr) liveTap_->OnFrame(sampleTimeSeconds, bytes, length);
  buffer_.OnFrame(sampleTimeSeconds, bytes, length);
}

}  // namespace orvex::sim
