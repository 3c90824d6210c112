// Snapshot files byte for byte, their numbering, and the still display's conditions.
#include "vision/snapshot.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "vision_test_support.h"

namespace orvex::test {
namespace {

class NullPoster : public FrameReadyPoster {
 public:
  void PostFrameReady() override {}
};

class RecordingStill : public StillView {
 public:
  void DrawStill(const CameraFrame& frame, const BitmapInfoHeader& header) override {
    ++draws;
    lastWidth = frame.width;
    lastHeader = header;
  }
  int draws = 0;
  int lastWidth = 0;
  BitmapInfoHeader lastHeader{};
};

// Delivers `frame` through a real frame buffer after a request, as the capture thread would.
DeliveredFrame Deliver(FrameBuffer& buffer, const CameraFrame& frame) {
  buffer.SetFrameSize(frame.width, frame.height);
  buffer.RequestGrab();
  buffer.OnFrame(0.0, frame.bytes.data(), frame.bytes.size());
  DeliveredFrame out;
  EXPECT_TRUE(buffer.CopyLast(out));
  return out;
}

TEST(Snapshot, FileIsAByteExactBottomUpBitmap) {
  TempDir dir;
  NullPoster poster;
  FrameBuffer buffer(poster);
  RecordingStill still;
  SnapshotStore store(dir.Path(), &still);
  CameraFrame frame = FrameWithSquare(300, 200, 46);
  frame.bytes[0] = 1;
  frame.bytes[2] = 3;
  frame.bytes.back() = 77;

  EXPECT_EQ(store.TakeSnapshot(buffer, Deliver(buffer, frame)), 0);
  const std::string file = dir.Read("StillCap0001.bmp");
  ASSERT_EQ(file.size(), 921654U);
  const std::string expectedHeader(
      "BM\x36\x10\x0E\x00\x00\x00\x00\x00\x36\x00\x00\x00"  // file header: size 921654, pixels at
                                                            // 54
      "\x28\x00\x00\x00\x80\x02\x00\x00\xE0\x01\x00\x00\x01\x00\x18\x00"
      "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
      "\x00",
      54);
  EXPECT_EQ(file.substr(0, 54), expectedHeader);
  EXPECT_EQ(
      file.compare(54, std::string::npos, std::string(frame.bytes.begin(), frame.bytes.end())), 0);
  EXPECT_TRUE(store.SnapshotWritten());
  EXPECT_EQ(still.draws, 1);
  EXPECT_EQ(store.HeaderCopy(), MakeBitmapInfoHeader(640, 480));
}

TEST(Snapshot, NumbersOneToFourThenFourAgainAndOneFilePerRequest) {
  TempDir dir;
  NullPoster poster;
  FrameBuffer buffer(poster);
  SnapshotStore store(dir.Path(), nullptr);
  for (int i = 1; i <= 5; ++i) {
    CameraFrame frame = UniformFrame(10 * i);
    store.TakeSnapshot(buffer, Deliver(buffer, frame));
  }
  EXPECT_EQ(SnapshotFileName(1), "StillCap0001.bmp");
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(dir.Exists(SnapshotFileName(i)));
  EXPECT_FALSE(dir.Exists("StillCap0005.bmp"));
  EXPECT_EQ(static_cast<std::uint8_t>(dir.Read("StillCap0004.bmp")[54]), 50);  // the fifth frame

  // The second notice of one request finds the request cleared: nothing is written.
  std::filesystem::remove(dir.File("StillCap0004.bmp"));
  DeliveredFrame again;
  ASSERT_TRUE(buffer.CopyLast(again));
  store.TakeSnapshot(buffer, again);
  EXPECT_FALSE(dir.Exists("StillCap0004.bmp"));
}

TEST(Snapshot, FailuresAndMismatchedFramesLeaveThePaneAlone) {
  TempDir dir;
  NullPoster poster;
  FrameBuffer buffer(poster);
  RecordingStill still;
  SnapshotStore store(dir.Path() / "missing", &still);
  const CameraFrame frame = UniformFrame(100);
  EXPECT_EQ(store.ShowStill(frame), 0);  // before the first snapshot a repaint draws nothing

  store.TakeSnapshot(buffer, Deliver(buffer, frame));
  EXPECT_FALSE(store.SnapshotWritten());
  EXPECT_EQ(still.draws, 0);
  EXPECT_EQ(store.ShowStill(frame), 0);

  store.SetCaptureDir(dir.Path());
  store.TakeSnapshot(buffer, Deliver(buffer, frame));
  EXPECT_EQ(still.draws, 1);
  EXPECT_EQ(store.ShowStill(frame), 1);

  // A camera that negotiated 320x240 but delivered a shorter, compressed frame: no bitmap that
  // claims what it is not, and the repaint does not draw it with the old header.
  CameraFrame odd;
  odd.width = 320;
  odd.height = 240;
  odd.bytes.assign(5000, 7);
  const int count = store.SnapshotCount();
  store.TakeSnapshot(buffer, Deliver(buffer, odd));
  EXPECT_EQ(store.SnapshotCount(), count + 1);
  EXPECT_FALSE(dir.Exists(SnapshotFileName(count + 1)));
  EXPECT_EQ(store.ShowStill(odd), 0);
  EXPECT_EQ(store.HeaderCopy(), MakeBitmapInfoHeader(640, 480));
}

}  // namespace
}  // namespace orvex::test
