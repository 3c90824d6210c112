// The camera on V4L2, through libv4l2 so that YUYV and MJPEG cameras come out as BGR24. The
// capture nodes are found in sysfs (metadata nodes of the same camera are left out); a USB
// camera's path carries its vendor and product ids where the camera choice reads them and the
// node's name last ("\\?\usb#vid_0c45&pid_6001#video0"), its card name is the friendly name.
// Frames stream from memory-mapped buffers on a capture thread of this adapter, which turns each
// one bottom row first before handing it to the sink. A camera pulled out while streaming ends
// the stream with a log line; a later Start opens it again once it is back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/frame_source.h"

namespace orvex {

class V4l2FrameSource : public FrameSource {
 public:
  // `sysfsRoot` holds class/video4linux; `deviceDir` holds the video nodes.
  explicit V4l2FrameSource(std::string sysfsRoot = "/sys", std::string deviceDir = "/dev");
  ~V4l2FrameSource() override;
  V4l2FrameSource(const V4l2FrameSource&) = delete;
  V4l2FrameSource& operator=(const V4l2FrameSource&) = delete;

  std::vector<CaptureDeviceInfo> ListDevices() override;
  // A video node that is there but would not open, with the open's errno.
  struct RefusedNode {
    std::string node;
    int error = 0;
  };
  // The same listing, with the nodes that would not open (a device survey reports them).
  std::vector<CaptureDeviceInfo> ListDevices(std::vector<RefusedNode>& refused);
  // The capture node a path names, or empty when the path names none.
  [[nodiscard]] std::string NodeOfPath(const std::string& devicePath) const;
  int Start(const CaptureDeviceInfo& device, FrameSink& sink, int& frameWidth,
            int& frameHeight) override;
  void Stop() override;

  // Exposure back to automatic at its default value; brightness in the camera's own units,
  // held to the range it offers.
  bool SetExposureToDefault() override;
  bool ReadExposure(int& value) override;
  bool SetBrightness(int value) override;

 private:
  struct Mapping {
    void* start = nullptr;
    std::size_t length = 0;
  };

  int StartStream(const std::string& node);
  void ReleaseStream();
  void CaptureLoop(FrameSink* sink);
  // Hands one dequeued buffer to the sink, rows turned bottom first.
  void Deliver(FrameSink& sink, const Mapping& mapping, std::size_t bytesUsed, double seconds);
  bool SetControl(std::uint32_t id, int value);
  bool GetControl(std::uint32_t id, int& value);

  std::string sysfsRoot_;
  std::string deviceDir_;
  std::string node_;  // the open node, for log lines
  int fd_ = -1;
  int wakeFd_ = -1;  // written by Stop to end the capture thread's wait
  std::vector<Mapping> mappings_;
  int width_ = 0;
  int height_ = 0;
  std::size_t sourceStride_ = 0;
  std::vector<std::uint8_t> frame_;  // the turned frame, reused
  std::thread capture_;
};

}  // namespace orvex
