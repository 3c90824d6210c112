// Calibration arithmetic and the calibration dialog's model.
#include "vision/calibration.h"

namespace orvex {

OffsetPair ConvertCalibrationRead(float markCol, float markRow, double markScale) {
  const double pixelTenths = markScale * 10.0;
  const float rowOffset = markRow - 240.0F;
  const float colOffset = markCol - 320.0F;
  double x = static_cast<double>(rowOffset) * pixelTenths;
  x = x - 20.0;
  x = x + 90.0;
  x = x - 5.0;
  const double y = 80.0 - static_cast<double>(colOffset) * pixelTenths;
  return {static_cast<int>(x), static_cast<int>(y)};
}

int CalibrationMode(int secondCamera, double mediaWidth, int creasingVariant) {
  int mode = 1;
  if (secondCamera != 0) {
    mode = 2;
  } else if (mediaWidth > 600) {
    mode = 3;
  }
  if (creasingVariant == 2) mode = 4;
  return mode;
}

OffsetKeys ActiveOffsetKeys(int secondCamera) {
  if (secondCamera != 0) return {"deltaXC2", "deltaYC2", 110, 99};
  return {"deltaX", "deltaY", 80, 99};
}

OffsetPair LoadActiveOffsets(Profile& profile, int secondCamera) {
  const OffsetKeys keys = ActiveOffsetKeys(secondCamera);
  OffsetPair pair;
  pair.x = profile.ReadInt(kProfileSection, keys.x, keys.defaultX);
  pair.y = profile.ReadInt(kProfileSection, keys.y, keys.defaultY);
  return pair;
}

void CalibrationDialogModel::Prepare(OffsetPair active, int mode) {
  pair_ = active;
  mode_ = mode;
}

void CalibrationDialogModel::Start() {
  current_ = pair_;
  view_.ShowValues(current_, fresh_);
  // Zero marks "no measurement yet" for the tick.
  pair_ = {};
  if (mode_ == 2) {
    view_.SetCaption(kCalibrationCameraTwoCaption);
    view_.ShowCameraTwoLabel();
  }
}

void CalibrationDialogModel::OnTick() {
  if (pair_.x <= 0 || pair_.y <= 0) return;
  fresh_.x = pair_.x;
  fresh_.y = pair_.y;
  if (mode_ == 3) fresh_.y = pair_.y + 1650;
  if (mode_ == 4) fresh_.y = pair_.y + 250;
  // A measurement is shown once, when it arrives; afterwards the operator's typing stands.
  pair_ = {};
  view_.ShowValues(current_, fresh_);
}

void CalibrationDialogModel::OnSet() {
  OffsetPair typed = fresh_;
  if (!view_.ReadNewValues(typed)) return;
  fresh_ = typed;
  pair_ = (fresh_.x != 0 && fresh_.y != 0) ? fresh_ : current_;
  view_.Close(true);
}

}  // namespace orvex
