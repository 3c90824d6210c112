// The dialogs the window opens over itself: more options and calibration.
#include "app/main_window_model.h"

namespace orvex {

void MainWindowModel::OnMoreOptions() {
  TakeFields();
  MoreOptions(run_, fields_, dialogPort_, store_, commandsPort_, workDir_);
}

void MainWindowModel::OnCalibration() {
  if (calibration_ == nullptr) {
    calibration_ =
        std::make_unique<CalibrationDialogModel>(view_.CalibrationDialogView(), calibrationPort_);
  }
  const int mode = CalibrationMode(run_.secondCamera, run_.mediaWidth, run_.creasingVariant);
  // The square is converted at the scale the run will read marks with, not at a mark size
  // left from before the cutter was known.
  run_.markScale = 4.0 / RunMarkSize(run_);
  calibration_->Prepare({run_.cameraOffsetX, run_.cameraOffsetY}, mode);
  TakeFields();
  if (!view_.RunCalibrationDialog(*calibration_)) return;
  const OffsetPair chosen = calibration_->Result();
  store_.WriteCalibration(run_, chosen.x, chosen.y);
}

void MainWindowModel::CalibrationPort::StartCalibrationRead() {
  m_.run_.calibrationRead = 1;
  if (m_.vision_ != nullptr) m_.vision_->RequestFrame();
}

}  // namespace orvex
