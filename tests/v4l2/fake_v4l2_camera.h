// A UVC-like USB camera played inside the test program: its picture node offers YUYV 640x480
// only (so libv4l2 has to convert to BGR24), with memory-mapped buffers over a memfd, an
// eventfd as the node so poll tells honestly when a frame is ready, brightness (-64 to 64) and
// exposure controls (156 by default, left at 900 in manual mode by another program), and a
// metadata node beside it. libv4l2 reaches the kernel through syscall() and the
// adapter's listing through open/ioctl/close; this program defines those and answers for the
// camera's two nodes, passing every other call on.
#pragma once

#include <linux/videodev2.h>

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace orvex::test {

class FakeV4l2Camera {
 public:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  // Plays the camera at `pictureNode` and `metadataNode` (paths the adapter will open) while
  // it lives; one camera at a time. Its card name is "USB 2.0 Camera".
  FakeV4l2Camera(std::string pictureNode, std::string metadataNode);
  ~FakeV4l2Camera();
  FakeV4l2Camera(const FakeV4l2Camera&) = delete;
  FakeV4l2Camera& operator=(const FakeV4l2Camera&) = delete;

  // The brightness of the test picture at a picture row (top row 0) and column; grey, so the
  // BGR24 conversion gives this value in all three bytes.
  static std::uint8_t Luma(int row, int col);

  // The next `frames` frames, each filled into a queued buffer as soon as one is there.
  void Produce(int frames);
  // Pulled out: every open of it fails from now on, and what is open answers ENODEV.
  void Unplug();
  // Plugged back in: a fresh device at the same nodes.
  void Replug();

  // What the adapter has set: a control's value, the frame rate.
  int Control(std::uint32_t id);
  std::uint32_t FramesPerSecond();

  // For the interposed calls: -1 with errno, or what the call returns; nothing when the call is
  // not for the camera.
  std::optional<int> Open(const char* path);
  std::optional<int> Ioctl(int fd, unsigned long request, void* arg);
  std::optional<int> Close(int fd);
  // The buffers' memfd in place of the node `fd`, for mmap.
  long MemoryOf(long fd);

 private:
  int Answer(int fd, unsigned long request, void* arg);  // a picture node's request
  void Fill();   // frames into queued buffers while any are asked for
  void Ready();  // the node polls readable while a filled buffer waits
  void Free();

  std::mutex lock_;
  std::string picture_, metadata_;
  bool plugged_ = true;
  struct Node {
    bool metadata = false;
    bool dead = false;  // opened before an unplug
  };
  std::map<int, Node> opens_;
  int streamFd_ = -1;  // the open that owns the buffers
  int memory_ = -1;    // memfd with the buffers, one after another
  std::deque<unsigned> queued_, done_;  // oldest first
  bool streaming_ = false;
  int pending_ = 0;
  std::uint32_t sequence_ = 0;
  std::uint32_t framesPerSecond_ = 30;
  std::map<std::uint32_t, int> controls_;
};

}  // namespace orvex::test
