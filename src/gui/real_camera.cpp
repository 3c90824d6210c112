#include "gui/real_camera.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <cstdlib>

namespace orvex::gui {

class RealCamera::TappedSource : public FrameSource, public FrameSink {
 public:
  explicit TappedSource(FrameSink* tap) : tap_(tap) {}
  std::vector<CaptureDeviceInfo> ListDevices() override { return camera_.ListDevices(); }
  int Start(const CaptureDeviceInfo& device, FrameSink& sink, int& width, int& height) override {
    camera_.Stop();  // the sink is swapped only while no frame is delivered
    sink_ = &sink;
    return camera_.Start(device, *this, width, height);
  }
  void Stop() override { camera_.Stop(); }
  bool SetExposureToDefault() override { return camera_.SetExposureToDefault(); }
  bool ReadExposure(int& value) override { return camera_.ReadExposure(value); }
  bool SetBrightness(int value) override { return camera_.SetBrightness(value); }
  void OnFrame(double seconds, const std::uint8_t* bytes, std::size_t length) override {
    if (tap_ != nullptr) tap_->OnFrame(seconds, bytes, length);
    sink_->OnFrame(seconds, bytes, length);
  }

 private:
  V4l2FrameSource camera_;
  FrameSink* tap_;
  FrameSink* sink_ = nullptr;
};

RealCamera::RealCamera(RunContext& run, Profile& profile, Clock& clock,
                       const std::filesystem::path& workDir, StillView* still, FrameSink* liveTap)
    : run_(run),
      workDir_(workDir),
      source_(std::make_unique<TappedSource>(liveTap)),
      buffer_(*this),
      snapshots_(workDir, still),
      control_(std::make_unique<CameraControl>(*source_, buffer_, run, profile, clock, *this,
                                               nullptr)) {}

RealCamera::~RealCamera() {
  // The capture thread ends before the buffer it writes into goes.
  control_->Shutdown();
}

void RealCamera::Attach(MainWindowModel& model) {
  model_ = &model;
  handler_ = std::make_unique<FrameHandler>(run_, buffer_, snapshots_, model.AsMarkSearchActions(),
                                            workDir_);
  control_->StartCapture();
}

void RealCamera::AnalyseFrame() {
  handler_->SetCalibrationSink(model_->CalibrationSink());
  handler_->OnFrameReady();
}

void RealCamera::PostFrameReady() {
  // Never the analysis on the capture thread: the notice is queued to the window's thread.
  QMetaObject::invokeMethod(
      &receiver_,
      [this] {
        if (model_ != nullptr) model_->OnFrameReady();
      },
      Qt::QueuedConnection);
}

void RealCamera::ShowError(std::string_view message) {
  QMessageBox::critical(nullptr, QStringLiteral("Error!"),
                        QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

void RealCamera::EndProcess(int exitCode) {
  std::exit(exitCode);
}

}  // namespace orvex::gui
