// Snapshot files byte for byte, their numbering, and the still display's conditions.
#include "vision/snapshot.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "vision_test_support.h"

namespace orvex::test {
namespace {

class Still : public StillView {
 public:
  void DrawStill(const CameraFrame&, const BitmapInfoHeader&) override { ++draws; }
  int draws = 0;
};

struct Store {
  TempDir dir;
  Still still;
  CountingPoster poster;
  FrameBuffer buffer{poster};
  SnapshotStore store{dir.Path(), &still};
  // Delivers `frame` after a request, as the capture thread would, and takes its snapshot.
  void Take(const CameraFrame& frame) {
    buffer.SetFrameSize(frame.width, frame.height);
    buffer.RequestGrab();
    buffer.OnFrame(0.0, frame.bytes.data(), frame.bytes.size());
    DeliveredFrame delivered;
    ASSERT_TRUE(buffer.CopyLast(delivered));
    EXPECT_EQ(store.TakeSnapshot(buffer, delivered), 0);
  }
};

TEST(Snapshot, FileIsAByteExactBottomUpBitmapNumberedOneToFourThenFourAgain) {
  Store s;
  CameraFrame frame = Drawn(kPaper, {Square(300, 200, 46)});
  frame.bytes[0] = 1;  // blue, green, red as delivered
  frame.bytes[2] = 3;
  frame.bytes.back() = 77;
  s.Take(frame);
  const std::string file = s.dir.Read("StillCap0001.bmp");
  // File header: size 921654, pixels from 54; info header: 40 bytes, 640x480, 1 plane, 24 bits.
  const std::string header(
      "BM\x36\x10\x0E\x00\x00\x00\x00\x00\x36\x00\x00\x00"
      "\x28\x00\x00\x00\x80\x02\x00\x00\xE0\x01\x00\x00\x01\x00\x18\x00",
      30);
  EXPECT_EQ(file.substr(0, 54), header + std::string(24, '\0'));
  EXPECT_TRUE(file.substr(54) == std::string(frame.bytes.begin(), frame.bytes.end()));
  EXPECT_EQ(s.still.draws, 1);

  for (int grey = 20; grey <= 50; grey += 10) s.Take(Drawn(grey));
  EXPECT_TRUE(s.dir.Exists("StillCap0004.bmp"));
  EXPECT_FALSE(s.dir.Exists("StillCap0005.bmp"));
  EXPECT_EQ(static_cast<std::uint8_t>(s.dir.Read("StillCap0004.bmp")[54]), 50);  // the fifth

  // The second notice of one request finds the request cleared: nothing is written.
  std::filesystem::remove(s.dir.File("StillCap0004.bmp"));
  DeliveredFrame again;
  ASSERT_TRUE(s.buffer.CopyLast(again));
  s.store.TakeSnapshot(s.buffer, again);
  EXPECT_FALSE(s.dir.Exists("StillCap0004.bmp"));
}

TEST(Snapshot, FailuresAndMismatchedFramesLeaveThePaneAlone) {
  Store s;
  s.store.SetCaptureDir(s.dir.Path() / "missing");
  const CameraFrame frame = Drawn(100);
  EXPECT_EQ(s.store.ShowStill(frame), 0);  // before the first snapshot a repaint draws nothing
  s.Take(frame);
  EXPECT_EQ(s.still.draws, 0);
  EXPECT_EQ(s.store.ShowStill(frame), 0);

  s.store.SetCaptureDir(s.dir.Path());
  s.Take(frame);
  EXPECT_EQ(s.still.draws, 1);
  EXPECT_EQ(s.store.ShowStill(frame), 1);

  // A camera that negotiated 320x240 but delivered a shorter, compressed frame: no bitmap that
  // claims what it is not, and the repaint does not draw it with the old header.
  CameraFrame odd;
  odd.width = 320;
  odd.height = 240;
  odd.bytes.assign(5000, 7);
  s.Take(odd);
  EXPECT_EQ(s.store.SnapshotCount(), 3);
  EXPECT_FALSE(s.dir.Exists(SnapshotFileName(3)));
  EXPECT_EQ(s.store.ShowStill(odd), 0);
  EXPECT_EQ(s.store.HeaderCopy(), MakeBitmapInfoHeader(640, 480));
}

}  // namespace
}  // namespace orvex::test
