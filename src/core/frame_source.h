// The camera as the logic needs it: the devices present, a stream of frames handed to a sink,
// and the few camera settings the system applies. Frames are 640x480 BGR24, 1920 bytes a row,
// bottom row first (see vision/camera_frame.h); the V4L2 adapter converts to that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

// The buffer row in which edge mode reads a sheet's side edge: 160 rows from the frame's centre
// along the feed, so on a skewed sheet the edge read there stands off the edge at the centre.
inline constexpr int kSideEdgeRow = 400;

struct CaptureDeviceInfo {
  // Carries the USB product id at characters 21..24, as in "\\?\usb#vid_xxxx&pid_6001#...".
  // Empty when the device has none.
  std::string devicePath;
  std::string friendlyName;
};

// Receives every frame the camera delivers. Called on the capture thread.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  virtual void OnFrame(double sampleTimeSeconds, const std::uint8_t* bytes, std::size_t length) = 0;
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;

  // Video input devices in enumeration order.
  virtual std::vector<CaptureDeviceInfo> ListDevices() = 0;
  // Opens `device`, asks for 640x480 at five frames a second and streams every frame to `sink`
  // until Stop. Returns 0, or a failure code; the negotiated size is reported back.
  virtual int Start(const CaptureDeviceInfo& device, FrameSink& sink, int& frameWidth,
                    int& frameHeight) = 0;
  virtual void Stop() = 0;

  // Camera settings; each returns false when the device does not offer the control.
  virtual bool SetExposureToDefault() = 0;
  virtual bool ReadExposure(int& value) = 0;
  virtual bool SetBrightness(int value) = 0;
};

}  // namespace orvex
