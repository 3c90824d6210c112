// The frame-ready handler beyond what a whole run shows: the run's hold, the calibration read
// against it and against edge mode, and the nested frame notice of a message box's event loop.
#include "vision/frame_handler.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "vision_test_support.h"

namespace orvex::test {
namespace {

class RecordingSink : public CalibrationReadSink {
 public:
  void OnCalibrationRead(OffsetPair measured) override { reads.push_back(measured); }
  std::vector<OffsetPair> reads;
};

// The cut calibration square, light on the dark film, centred on (320, 240).
const CameraFrame& CutSquare() {
  static const CameraFrame frame = Drawn(kInk, {Square(297, 217, 46, kPaper)});
  return frame;
}

struct Machine {
  TempDir dir;
  RunContext context;
  CountingPoster poster;
  FrameBuffer buffer{poster};
  SnapshotStore snapshots{dir.Path() / "elsewhere", nullptr};
  RecordingActions actions;
  RecordingSink sink;
  FrameHandler handler{context, buffer, snapshots, actions, dir.Path()};

  Machine() {
    buffer.SetFrameSize(640, 480);
    handler.SetCalibrationSink(&sink);
  }
  // The capture thread's delivery; with the notice it posted handled.
  void Arrive(const CameraFrame& frame) {
    buffer.OnFrame(0.0, frame.bytes.data(), frame.bytes.size());
  }
  void Deliver(const CameraFrame& frame) {
    Arrive(frame);
    handler.OnFrameReady();
  }
};

// Read while the run holds detection and with edge mode left over from a run: the read waits
// for the first analysis after the hold and measures the square all the same. A read that finds
// nothing, past the attempts of a run's search, says so, converts (0, 0) and does not time out.
TEST(FrameHandler, ACalibrationReadWaitsOutTheHoldIgnoresEdgeModeAndSaysWhenItFindsNothing) {
  Machine m;
  m.context.edgeMode = 1;
  m.context.detectionHold = 10;
  m.context.markResult = 0;
  m.context.searchAttempts = 30;
  m.handler.StartCalibrationRead();
  EXPECT_EQ(m.context.searchAttempts, 0);
  m.Deliver(CutSquare());
  EXPECT_EQ(m.handler.Analyses(), 0);
  EXPECT_TRUE(m.dir.Exists("StillCap0001.bmp"));  // the hold skips the analysis only

  m.context.detectionHold = 0;
  m.handler.RequestFrame();
  m.Deliver(CutSquare());

  m.context.markScale = 4.0 / 150.0;
  m.actions.sheets = 3;
  m.handler.StartCalibrationRead();
  m.context.searchAttempts = 65;
  m.Deliver(Drawn(kPaper));
  EXPECT_EQ(m.actions.log,
            (std::vector<std::string>{"message " + std::string(kCalibrationNotFoundMessage)}));
  EXPECT_EQ(m.sink.reads, (std::vector<OffsetPair>{{65, 80}, {1, 165}}));
  EXPECT_EQ(m.context.markResult, -1);
  EXPECT_EQ(m.context.calibrationRead, 0);
}

TEST(FrameHandler, NoticesDuringTheTimeOutBoxAreEachHandledAfterIt) {
  Machine m;
  m.actions.sheets = 3;
  m.context.searchAttempts = 65;
  m.handler.RequestFrame();
  const CameraFrame paper = Drawn(kPaper);
  m.Arrive(paper);
  m.Arrive(paper);
  m.Arrive(paper);
  int analysesInsideTheBox = -1;
  m.actions.duringMessage = [&] {
    // The second and third frames' notices, from the box's event loop.
    m.handler.OnFrameReady();
    m.handler.OnFrameReady();
    analysesInsideTheBox = m.handler.Analyses();
  };
  m.handler.OnFrameReady();
  EXPECT_EQ(analysesInsideTheBox, 1);
  EXPECT_EQ(m.handler.Analyses(), 3);
  // One give-up only: one notice, one message, one eject, one end of the run.
  EXPECT_EQ(m.actions.log.size(), 4U);
  EXPECT_EQ(m.context.searchAttempts, 2);
}

}  // namespace
}  // namespace orvex::test
