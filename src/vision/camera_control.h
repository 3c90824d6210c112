// Choosing and (re)starting the camera over the FrameSource port: the device choice by USB
// product id with its fallback by name, the capture start with the camera settings the system
// applies, and the camera switch.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/frame_source.h"
#include "core/profile.h"
#include "core/run_context.h"
#include "vision/calibration.h"
#include "vision/frame_buffer.h"

namespace orvex {

inline constexpr std::string_view kFallbackCameraName = "USB 2.0 Camera";
inline constexpr std::string_view kNoCameraMessage =
    "No video capture device was detected on your system.\r\n\r\nThis software  requires a "
    "functional video capture device\n";
inline constexpr int kSwitchBrightness = -10;

// The USB product id at characters 21..24 of a device path, or empty for a path too short to
// hold one.
std::string_view CameraProductId(std::string_view devicePath);

// The index of the device to open, or nothing when the list is empty. The wanted device carries
// product id 6001 (first camera) or 6002 (second) at characters 21..24 of its path; at most four
// devices are examined a pass; when the list runs out first, a second pass looks for the one
// named "USB 2.0 Camera"; without a match the last device examined is taken.
std::optional<std::size_t> FindCaptureDevice(const std::vector<CaptureDeviceInfo>& devices,
                                             int secondCamera);

// What the camera start asks of the application.
class CaptureNotices {
 public:
  virtual ~CaptureNotices() = default;
  virtual void ShowError(std::string_view message) = 0;
  // Ends the process (there is no camera to work with).
  virtual void EndProcess(int exitCode) = 0;
};

class CameraControl {
 public:
  // `onOffsetsReloaded` receives the active camera's offset pair after every switch; the
  // application copies it into its active pair.
  CameraControl(FrameSource& source, FrameBuffer& buffer, RunContext& context, Profile& profile,
                Clock& clock, CaptureNotices& notices,
                std::function<void(OffsetPair)> onOffsetsReloaded)
      : source_(source),
        buffer_(buffer),
        context_(context),
        profile_(profile),
        clock_(clock),
        notices_(notices),
        onOffsetsReloaded_(std::move(onOffsetsReloaded)) {}

  // Chooses the device, starts the stream into the frame buffer, records the negotiated size
  // and applies the exposure default and the brightness setting `lum`. 0 or a failure code.
  int StartCapture();
  void StopCapture();
  // The run loop's and the Test button's switch.
  int SwitchCamera(int second);
  // The two property calls the switch ends with (also made once when the run loop starts).
  void ApplySwitchSettings();
  // Stops the capture, then frees the frame buffer; never the other way round.
  void Shutdown();

  bool Running() const { return running_; }

 private:
  void Switch(int second);

  FrameSource& source_;
  FrameBuffer& buffer_;
  RunContext& context_;
  Profile& profile_;
  Clock& clock_;
  CaptureNotices& notices_;
  std::function<void(OffsetPair)> onOffsetsReloaded_;
  bool running_ = false;
};

}  // namespace orvex
