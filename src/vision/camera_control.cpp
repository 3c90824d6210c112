// Device choice, capture start and camera switching.
#include "vision/camera_control.h"

namespace orvex {

namespace {

constexpr std::size_t kProductIdAt = 21;
constexpr std::size_t kProductIdLength = 4;
constexpr int kDevicesPerPass = 4;
constexpr int kFallbackMode = 3;

bool Matches(const CaptureDeviceInfo& device, int mode) {
  if (mode == kFallbackMode) return device.friendlyName == kFallbackCameraName;
  // A path too short to hold the product id never matches by it.
  const std::string_view id = CameraProductId(device.devicePath);
  return !id.empty() && id == (mode == 1 ? "6002" : "6001");
}

}  // namespace

std::string_view CameraProductId(std::string_view devicePath) {
  if (devicePath.size() < kProductIdAt + kProductIdLength) return {};
  return devicePath.substr(kProductIdAt, kProductIdLength);
}

std::optional<std::size_t> FindCaptureDevice(const std::vector<CaptureDeviceInfo>& devices,
                                             int secondCamera) {
  int mode = secondCamera != 0 ? 1 : 0;
  int count = 0;
  std::size_t next = 0;
  std::optional<std::size_t> result;
  while (count < kDevicesPerPass) {
    if (next >= devices.size()) {
      if (mode == kFallbackMode || devices.empty()) break;
      next = 0;
      mode = kFallbackMode;
      count = 0;
    }
    const std::size_t index = next++;
    result = index;
    if (Matches(devices[index], mode)) return index;
    ++count;
  }
  return result;
}

int CameraControl::StartCapture() {
  const std::vector<CaptureDeviceInfo> devices = source_.ListDevices();
  const std::optional<std::size_t> chosen = FindCaptureDevice(devices, context_.secondCamera);
  if (!chosen) {
    notices_.ShowError(kNoCameraMessage);
    notices_.EndProcess(0);
    return -1;
  }
  int width = 0;
  int height = 0;
  const int code = source_.Start(devices[*chosen], buffer_, width, height);
  if (code != 0) return code;
  running_ = true;
  context_.frameWidth = width;
  context_.frameHeight = height;
  buffer_.SetFrameSize(width, height);

  source_.SetExposureToDefault();
  const int brightness = profile_.ReadInt(kProfileSection, "lum", 0);
  source_.SetBrightness(brightness);
  return 0;
}

void CameraControl::StopCapture() {
  source_.Stop();
  running_ = false;
}

void CameraControl::Switch(int second) {
  StopCapture();
  context_.secondCamera = second != 0 ? 1 : 0;
  // The active pair belongs to the camera: without this, Start would store the first camera's
  // offsets over the second camera's calibration.
  if (onOffsetsReloaded_) onOffsetsReloaded_(LoadActiveOffsets(profile_, context_.secondCamera));
}

int CameraControl::SwitchCamera(int second) {
  Switch(second);
  const int code = StartCapture();
  clock_.Sleep(100);
  ApplySwitchSettings();
  return code;
}

void CameraControl::ApplySwitchSettings() {
  int exposure = 0;
  source_.ReadExposure(exposure);  // read as the camera expects; the value is not used
  source_.SetBrightness(kSwitchBrightness);
}

void CameraControl::Shutdown() {
  StopCapture();
  buffer_.Release();
}

}  // namespace orvex
