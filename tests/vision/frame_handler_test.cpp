// The frame-ready handler: its order, the run's hold, edge mode, the calibration read, and the
// nested frame notice that a message box's event loop would deliver.
#include "vision/frame_handler.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "vision_test_support.h"

namespace orvex::test {
namespace {

class CountingPoster : public FrameReadyPoster {
 public:
  void PostFrameReady() override { ++posts; }
  int posts = 0;
};

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

TEST(FrameHandler, OneSnapshotPerRequestAndAnAnalysisPerNotice) {
  Machine m;
  m.handler.RequestFrame();
  EXPECT_EQ(m.snapshots.CaptureDir(), m.dir.Path());
  const CameraFrame frame = Drawn(kPaper, {Square(300, 200, 46)});
  m.Arrive(frame);
  m.Arrive(frame);
  EXPECT_EQ(m.poster.posts, 2);
  m.handler.OnFrameReady();
  m.handler.OnFrameReady();
  EXPECT_EQ(m.handler.Analyses(), 2);
  EXPECT_TRUE(m.dir.Exists("StillCap0001.bmp"));
  EXPECT_FALSE(m.dir.Exists("StillCap0002.bmp"));
  EXPECT_EQ(m.context.markResult, 1);
  EXPECT_FLOAT_EQ(m.context.markCol, 322.0F);
  EXPECT_FLOAT_EQ(m.context.markRow, 223.0F);

  // Edge mode runs the edge search instead.
  m.context.edgeMode = 1;
  m.handler.RequestFrame();
  m.Deliver(Drawn(kPaper, {{0, 400, 300, 1}}));
  EXPECT_FLOAT_EQ(m.context.markCol, 299.0F);
  EXPECT_FLOAT_EQ(m.context.markRow, 240.0F);
}

// Read while the run holds detection and with edge mode left over from a run: the read waits
// for the first analysis after the hold and measures the square all the same.
TEST(FrameHandler, ACalibrationReadWaitsOutTheHoldAndIgnoresEdgeMode) {
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
  EXPECT_EQ(m.context.markResult, 0);
  EXPECT_TRUE(m.sink.reads.empty());

  m.context.detectionHold = 0;
  m.handler.RequestFrame();
  m.Deliver(CutSquare());
  EXPECT_EQ(m.sink.reads, std::vector<OffsetPair>{(OffsetPair{65, 80})});
  EXPECT_EQ(m.context.calibrationRead, 0);
  EXPECT_TRUE(m.actions.log.empty());
}

TEST(FrameHandler, ACalibrationReadThatFindsNothingSaysSoAndStillConverts) {
  Machine m;
  m.context.markScale = 4.0 / 150.0;
  m.handler.StartCalibrationRead();
  m.Deliver(Drawn(kPaper));
  EXPECT_EQ(m.actions.log,
            (std::vector<std::string>{"message " + std::string(kCalibrationNotFoundMessage)}));
  EXPECT_EQ(m.sink.reads, std::vector<OffsetPair>{(OffsetPair{1, 165})});
  EXPECT_EQ(m.context.markResult, -1);
  EXPECT_EQ(m.context.calibrationRead, 0);
}

TEST(FrameHandler, ANoticeDuringTheTimeOutBoxIsHandledAfterIt) {
  Machine m;
  m.actions.sheets = 3;
  m.context.searchAttempts = 65;
  m.handler.RequestFrame();
  const CameraFrame paper = Drawn(kPaper);
  m.Arrive(paper);
  m.Arrive(paper);
  int analysesInsideTheBox = -1;
  m.actions.duringMessage = [&] {
    m.handler.OnFrameReady();  // the second frame's notice, from the box's event loop
    analysesInsideTheBox = m.handler.Analyses();
  };
  m.handler.OnFrameReady();
  EXPECT_EQ(analysesInsideTheBox, 1);
  EXPECT_EQ(m.handler.Analyses(), 2);
  // One give-up only: one notice, one message, one eject, one end of the run.
  EXPECT_EQ(m.actions.log.size(), 4U);
  EXPECT_EQ(m.context.searchAttempts, 1);
}

}  // namespace
}  // namespace orvex::test
