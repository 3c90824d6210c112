// The camera's controls: brightness and exposure, and the switch to the second camera.
#include <cctype>
#include <filesystem>
#include <string>

#include "app/main_window_model.h"

namespace orvex {
namespace {

using namespace window_id;

constexpr int kBrightnessMax = 10;
constexpr int kBrightnessMin = -10;
constexpr int kExposureFloor = -10;
constexpr int kBrightnessAfterBrighter = 4;
constexpr int kBrightnessAfterDarker = -4;
constexpr int kAutoExposureOn = -10;
constexpr int kAutoExposureOff = -7;
constexpr int kManual = 1;
constexpr int kAutomatic = 2;
constexpr int kLeaveMode = 0;

}  // namespace

void MainWindowModel::StartCamera() {
  if (camera_ == nullptr) return;
  int exposure = 0;
  camera_->ReadExposure(exposure);
  camera_->SetBrightness(kBrightnessMin, kManual);
}

void MainWindowModel::OnCameraTest() {
  // File names in the working directory are compared without regard to case.
  bool installed = false;
  std::error_code error;
  for (std::filesystem::directory_iterator it(workDir_.Root(), error), end; !error && it != end;
       it.increment(error)) {
    std::string name = it->path().filename().string();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == kCameraTestLibrary && it->is_regular_file(error)) {
      installed = true;
      break;
    }
  }
  if (!installed) return;
  run_.secondCamera = 1;
  if (vision_ != nullptr) {
    vision_->SwitchCamera(1);
  } else if (cameraGraph_ != nullptr) {
    cameraGraph_->Rebuild();
  }
}

void MainWindowModel::OnBrighter() {
  if (camera_ == nullptr) return;
  int brightness = 0;
  if (!camera_->ReadBrightness(brightness)) return;
  if (brightness < kBrightnessMax) {
    camera_->SetBrightness(brightness + 1, kManual);
    return;
  }
  ++exposure_;
  camera_->SetExposure(exposure_, kAutomatic);
  camera_->SetBrightness(kBrightnessAfterBrighter, kManual);
}

void MainWindowModel::OnDarker() {
  if (camera_ == nullptr) return;
  int brightness = 0;
  if (!camera_->ReadBrightness(brightness)) return;
  if (brightness > kBrightnessMin) {
    camera_->SetBrightness(brightness - 1, kManual);
    return;
  }
  if (exposure_ >= kExposureFloor) {
    --exposure_;
    camera_->SetExposure(exposure_, kAutomatic);
    camera_->SetBrightness(kBrightnessAfterDarker, kManual);
  } else {
    camera_->SetBrightness(brightness, kManual);
  }
}

void MainWindowModel::OnAutoExposure() {
  TakeFields();
  if (camera_ == nullptr) return;
  if (fields_.autoExposure != 0) {
    camera_->SetExposure(kAutoExposureOn, kManual);
    camera_->SetBrightness(kBrightnessMin, kManual);
  } else {
    camera_->SetExposure(kAutoExposureOff, kLeaveMode);
  }
}

}  // namespace orvex
