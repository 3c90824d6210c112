// The frame buffer between the capture thread and the main thread: requests, reuse, and frames
// that are never torn by a delivery running alongside the main thread.
#include "vision/frame_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "vision_test_support.h"

namespace orvex::test {
namespace {

struct Buffer {
  CountingPoster poster;
  FrameBuffer buffer{poster};
  void Deliver(double time, std::size_t length, std::uint8_t value = 1) {
    const std::vector<std::uint8_t> bytes(length, value);
    buffer.OnFrame(time, bytes.data(), bytes.size());
  }
};

TEST(FrameBuffer, CopiesAndAnnouncesOnlyRequestedFramesAndGrowsOnlyForALongerOne) {
  Buffer b;
  b.buffer.SetFrameSize(640, 480);
  b.Deliver(0.5, kFrameBytes);
  DeliveredFrame out;
  EXPECT_FALSE(b.buffer.CopyLast(out));
  b.buffer.RequestGrab();
  b.buffer.OnFrame(1.5, nullptr, kFrameBytes);  // a missing buffer is refused, the request stays
  EXPECT_EQ(b.poster.posts, 0);
  b.Deliver(2.5, kFrameBytes);
  b.Deliver(2.7, kFrameBytes);  // still requested: copied and announced too
  EXPECT_EQ(b.poster.posts, 2);
  ASSERT_TRUE(b.buffer.CopyLast(out));
  EXPECT_TRUE(out.frame.IsStandard());
  EXPECT_DOUBLE_EQ(out.sampleTime, 2.7);
  EXPECT_TRUE(b.buffer.TakeGrabRequest());
  EXPECT_FALSE(b.buffer.TakeGrabRequest());

  Buffer reuse;
  reuse.buffer.RequestGrab();
  for (const std::size_t length : {1000, 1000, 3000, 1000}) reuse.Deliver(0, length);
  EXPECT_EQ(reuse.buffer.Allocations(), 2);
  EXPECT_EQ(reuse.buffer.Capacity(), 3000U);
  // The reader sees the frame that was delivered, not the stale tail behind it.
  ASSERT_TRUE(reuse.buffer.CopyLast(out));
  EXPECT_EQ(out.frame.bytes.size(), 1000U);
  reuse.buffer.Release();
  EXPECT_FALSE(reuse.buffer.CopyLast(out));
  EXPECT_EQ(reuse.buffer.Capacity(), 0U);
}

// A capture thread delivers frames whose bytes all carry one value, of two lengths, as fast as
// it can; every copy the main thread takes must be uniform and of a delivered length.
TEST(FrameBuffer, ADeliveryDuringAnalysisNeverTearsTheFrame) {
  Buffer b;
  b.buffer.RequestGrab();
  // Frames of a tenth of a camera frame keep the test quick under ThreadSanitizer; a copy of
  // that size is still far slower than one delivery's pause between frames.
  constexpr std::size_t kLong = kFrameBytes / 10;
  std::vector<std::vector<std::uint8_t>> frames;
  for (int v = 0; v < 8; ++v) {
    frames.emplace_back(v % 2 == 0 ? kLong : kLong / 2, static_cast<std::uint8_t>(v * 30));
  }
  std::atomic<bool> stop{false};
  std::thread capture([&] {
    for (std::size_t i = 0; !stop.load(); ++i) {
      const auto& f = frames[i % frames.size()];
      b.buffer.OnFrame(0, f.data(), f.size());
    }
  });
  DeliveredFrame out;
  int torn = 0;
  for (int checked = 0; checked < 200;) {
    if (!b.buffer.CopyLast(out)) continue;
    ++checked;
    const std::uint8_t first = out.frame.bytes.front();
    const std::size_t length = (first / 30) % 2 == 0 ? kLong : kLong / 2;
    const auto uniform = std::count(out.frame.bytes.begin(), out.frame.bytes.end(), first);
    torn += out.frame.bytes.size() != length || static_cast<std::size_t>(uniform) != length;
  }
  stop = true;
  capture.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace orvex::test
