// The frame buffer between the capture thread and the main thread: requests, reuse, and frames
// that are never torn by a delivery running alongside the main thread.
#include "vision/frame_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace orvex::test {
namespace {

class CountingPoster : public FrameReadyPoster {
 public:
  void PostFrameReady() override { ++posts; }
  std::atomic<int> posts{0};
};

std::vector<std::uint8_t> Filled(std::size_t length, std::uint8_t value) {
  return std::vector<std::uint8_t>(length, value);
}

TEST(FrameBuffer, CopiesAndAnnouncesOnlyRequestedFrames) {
  CountingPoster poster;
  FrameBuffer buffer(poster);
  buffer.SetFrameSize(640, 480);
  const auto frame = Filled(kFrameBytes, 9);
  buffer.OnFrame(0.5, frame.data(), frame.size());
  DeliveredFrame out;
  EXPECT_FALSE(buffer.CopyLast(out));
  EXPECT_EQ(poster.posts, 0);

  buffer.RequestGrab();
  buffer.OnFrame(1.5, nullptr, frame.size());  // a missing buffer is refused, the request stays
  EXPECT_EQ(poster.posts, 0);
  buffer.OnFrame(2.5, frame.data(), frame.size());
  buffer.OnFrame(2.7, frame.data(), frame.size());  // still requested: copied and announced too
  EXPECT_EQ(poster.posts, 2);
  ASSERT_TRUE(buffer.CopyLast(out));
  EXPECT_TRUE(out.frame.IsStandard());
  EXPECT_DOUBLE_EQ(out.sampleTime, 2.7);
  EXPECT_TRUE(buffer.TakeGrabRequest());
  EXPECT_FALSE(buffer.TakeGrabRequest());
}

TEST(FrameBuffer, ReallocatesOnlyForALongerFrame) {
  CountingPoster poster;
  FrameBuffer buffer(poster);
  buffer.RequestGrab();
  const auto small = Filled(1000, 1);
  const auto large = Filled(3000, 2);
  buffer.OnFrame(0, small.data(), small.size());
  buffer.OnFrame(0, small.data(), small.size());
  EXPECT_EQ(buffer.Allocations(), 1);
  buffer.OnFrame(0, large.data(), large.size());
  EXPECT_EQ(buffer.Allocations(), 2);
  EXPECT_EQ(buffer.Capacity(), 3000U);
  buffer.OnFrame(0, small.data(), small.size());
  EXPECT_EQ(buffer.Allocations(), 2);
  EXPECT_EQ(buffer.Capacity(), 3000U);
  // The reader sees the frame that was delivered, not the stale tail behind it.
  DeliveredFrame out;
  ASSERT_TRUE(buffer.CopyLast(out));
  EXPECT_EQ(out.frame.bytes.size(), 1000U);
  EXPECT_EQ(out.capacity, 3000U);

  buffer.Release();
  EXPECT_FALSE(buffer.CopyLast(out));
  EXPECT_EQ(buffer.Capacity(), 0U);
}

// A capture thread delivers frames whose bytes all carry one value, of two lengths, as fast as
// it can; every copy the main thread takes must be uniform and of a delivered length.
TEST(FrameBuffer, ADeliveryDuringAnalysisNeverTearsTheFrame) {
  CountingPoster poster;
  FrameBuffer buffer(poster);
  buffer.SetFrameSize(640, 480);
  buffer.RequestGrab();
  std::vector<std::vector<std::uint8_t>> frames;
  // Frames of a tenth of a camera frame keep the test quick under ThreadSanitizer; a copy of
  // that size is still far slower than one delivery's pause between frames.
  constexpr std::size_t kLong = kFrameBytes / 10;
  for (int v = 0; v < 8; ++v) {
    frames.push_back(Filled(v % 2 == 0 ? kLong : kLong / 2, static_cast<std::uint8_t>(v * 30)));
  }
  std::atomic<bool> stop{false};
  std::thread capture([&] {
    std::size_t i = 0;
    while (!stop.load()) {
      const auto& f = frames[i++ % frames.size()];
      buffer.OnFrame(static_cast<double>(i), f.data(), f.size());
    }
  });
  DeliveredFrame out;
  int checked = 0;
  int torn = 0;
  while (checked < 200) {
    if (!buffer.CopyLast(out)) continue;
    ++checked;
    const std::uint8_t first = out.frame.bytes.front();
    const bool uniform = std::all_of(out.frame.bytes.begin(), out.frame.bytes.end(),
                                     [first](std::uint8_t b) { return b == first; });
    const bool expectedLength =
        out.frame.bytes.size() == ((first / 30) % 2 == 0 ? kLong : kLong / 2);
    if (!uniform || !expectedLength) ++torn;
  }
  stop = true;
  capture.join();
  EXPECT_EQ(torn, 0);
  EXPECT_GT(poster.posts.load(), 0);
}

}  // namespace
}  // namespace orvex::test
