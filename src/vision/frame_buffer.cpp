// The guarded frame buffer between the capture thread and the main thread.
#include "vision/frame_buffer.h"

#include <algorithm>
#include <new>

namespace orvex {

void FrameBuffer::SetFrameSize(int width, int height) {
  const std::lock_guard<std::mutex> lock(mutex_);
  width_ = width;
  height_ = height;
}

void FrameBuffer::OnFrame(double sampleTimeSeconds, const std::uint8_t* bytes, std::size_t length) {
  if (!grabRequested_.load(std::memory_order_relaxed)) return;
  if (bytes == nullptr) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (length > capacity_) {
      buffer_.reset();
      capacity_ = 0;
    }
    frameTime_ = sampleTimeSeconds;
    if (!buffer_) {
      buffer_.reset(new (std::nothrow) std::uint8_t[length]);
      if (!buffer_) {
        // The request stays open; the next frame tries again.
        length_ = 0;
        return;
      }
      capacity_ = length;
      ++allocations_;
    }
    std::copy(bytes, bytes + length, buffer_.get());
    length_ = length;
  }
  poster_.PostFrameReady();
}

bool FrameBuffer::CopyLast(DeliveredFrame& out) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!buffer_ || length_ == 0) return false;
  out.frame.width = width_;
  out.frame.height = height_;
  out.frame.bytes.assign(buffer_.get(), buffer_.get() + length_);
  out.capacity = capacity_;
  out.sampleTime = frameTime_;
  return true;
}

void FrameBuffer::Release() {
  const std::lock_guard<std::mutex> lock(mutex_);
  buffer_.reset();
  capacity_ = 0;
  length_ = 0;
}

std::size_t FrameBuffer::Capacity() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return capacity_;
}

int FrameBuffer::Allocations() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return allocations_;
}

}  // namespace orvex
