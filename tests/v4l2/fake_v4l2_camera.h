// A UVC-like USB camera played inside the test program: its picture node offers YUYV 640x480
// only (so libv4l2 has to convert to BGR24), with memory-mapped buffers over a memfd, an
// eventfd as the node so poll tells honestly when a frame is ready, brightness and exposure
// controls, and a metadata node beside it. libv4l2 reaches the kernel through syscall() and the
// adapter's listing through open/ioctl/close; this program defines those and answers for the
// camera's two nodes, passing every other call on.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace orvex::test {

class FakeV4l2Camera {
 public:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;
  static constexpr int kBrightnessMin = -64;
  static constexpr int kBrightnessMax = 64;
  static constexpr int kExposureDefault = 156;

  // Plays the camera at `pictureNode` and `metadataNode` (paths the adapter will open) while
  // it lives; one camera at a time.
  FakeV4l2Camera(std::string pictureNode, std::string metadataNode, std::string card);
  ~FakeV4l2Camera();
  FakeV4l2Camera(const FakeV4l2Camera&) = delete;
  FakeV4l2Camera& operator=(const FakeV4l2Camera&) = delete;

  // The brightness of the test picture at a picture row (top row 0) and column; grey, so the
  // BGR24 conversion gives this value in all three bytes.
  static std::uint8_t Luma(int row, int col);

  // The next `frames` frames, each filled into a queued buffer as soon as one is there.
  void Produce(int frames);
  // Pulled out: every open of it fails with ENODEV from now on, and its nodes are gone.
  void Unplug();
  // Plugged back in: a fresh device at the same nodes.
  void Replug();

  int Brightness();
  int ExposureAuto();
  int ExposureAbsolute();
  void SetManualExposure(int value);
  v4l2_fract TimePerFrame();
  std::uint32_t StreamedPixelFormat();
  // ioctl requests the camera did not know, for a test to show when libv4l2 asks new things.
  std::vector<unsigned long> UnknownRequests();

  // For the interposed calls.
  static FakeV4l2Camera* Active();
  bool IsNode(const char* path, bool& metadata);
  int OpenNode(bool metadata);
  bool Owns(long fd);
  int Close(int fd);
  int Ioctl(int fd, unsigned long request, void* arg);
  int MemoryOf(long fd);

 private:
  enum class BufferState { kDequeued, kQueued, kDone };
  struct Open {
    bool metadata = false;
    bool dead = false;  // opened before an unplug
  };

  int StreamIoctl(unsigned long request, void* arg);
  int ControlIoctl(unsigned long request, void* arg);
  void FillPending();
  void FreeBuffers();
  void Signal();
  void Drain();

  std::string pictureNode_;
  std::string metadataNode_;
  std::string card_;
  std::mutex lock_;
  bool plugged_ = true;
  std::vector<std::pair<int, Open>> opens_;
  int streamFd_ = -1;  // the open that owns the buffers
  int memory_ = -1;    // memfd with the buffers, one after another
  std::vector<BufferState> buffers_;
  std::vector<unsigned> queue_;  // queued buffers, oldest first
  std::vector<unsigned> done_;   // filled buffers, oldest first
  bool streaming_ = false;
  int pending_ = 0;
  std::uint32_t sequence_ = 0;
  v4l2_fract timePerFrame_{1, 30};
  std::uint32_t pixelFormat_ = 0;
  int brightness_ = 0;
  int exposureAuto_ = V4L2_EXPOSURE_APERTURE_PRIORITY;
  int exposureAbsolute_ = kExposureDefault;
  std::vector<unsigned long> unknown_;
};

}  // namespace orvex::test
