// The hand-over of requested frames from the capture thread to the main thread. The capture
// thread copies a frame only while a grab is requested, into one buffer that is reused and
// replaced only by a longer frame, and posts a frame-ready notice. The main thread takes a
// complete copy under the same guard before it looks at any pixel, so a delivery can never
// tear the frame being saved, shown or analysed.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "core/frame_source.h"
#include "vision/camera_frame.h"

namespace orvex {

// Queues the frame-ready notice to the main thread. Called on the capture thread; must not
// block on the main thread.
class FrameReadyPoster {
 public:
  virtual ~FrameReadyPoster() = default;
  virtual void PostFrameReady() = 0;
};

// What the main thread gets of the last delivered frame.
struct DeliveredFrame {
  CameraFrame frame;         // width/height as negotiated; bytes = the delivered length
  std::size_t capacity = 0;  // the buffer's capacity when it was copied
  double sampleTime = 0.0;
};

class FrameBuffer : public FrameSink {
 public:
  explicit FrameBuffer(FrameReadyPoster& poster) : poster_(poster) {}
  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;

  // The size the camera negotiated; recorded after every capture start.
  void SetFrameSize(int width, int height);

  void RequestGrab() { grabRequested_.store(true); }
  bool GrabRequested() const { return grabRequested_.load(); }
  // Clears the request; true when it was set (only the first notice of a request sees true).
  bool TakeGrabRequest() { return grabRequested_.exchange(false); }

  // Capture thread. Without a request this costs one flag test.
  void OnFrame(double sampleTimeSeconds, const std::uint8_t* bytes, std::size_t length) override;
  bool WantsFrame() const override { return GrabRequested(); }

  // Main thread: copies the last delivered frame into `out`, reusing its storage. False when no
  // frame has been delivered (or the buffer was released).
  bool CopyLast(DeliveredFrame& out) const;

  // Frees the buffer; the capture must already be stopped.
  void Release();

  std::size_t Capacity() const;
  // How many times the buffer was (re)allocated, for tests and diagnostics.
  int Allocations() const;

 private:
  FrameReadyPoster& poster_;
  std::atomic<bool> grabRequested_{false};

  mutable std::mutex mutex_;  // guards everything below
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t length_ = 0;  // the last delivered frame's length
  double frameTime_ = 0.0;
  int width_ = 0;
  int height_ = 0;
  int allocations_ = 0;
};

}  // namespace orvex
