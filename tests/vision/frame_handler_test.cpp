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

struct Machine {
  TempDir dir;
  RunContext context;
  CountingPoster poster;
  FrameBuffer buffer{poster};
  SnapshotStore snapshots{dir.Path() / "elsewhere", nullptr};
  RecordingActions actions;
  FrameHandler handler{context, buffer, snapshots, actions, dir.Path()};

  Machine() { buffer.SetFrameSize(640, 480); }
  // The capture thread's delivery, then the notice it posted.
  void Deliver(const CameraFrame& frame) {
    buffer.OnFrame(0.0, frame.bytes.data(), frame.bytes.size());
  }
};

TEST(FrameHandler, SnapshotThenAnalysisAndBothNoticesOfARequestAnalysed) {
  Machine m;
  m.handler.RequestFrame();
  EXPECT_EQ(m.snapshots.CaptureDir(), m.dir.Path());
  const CameraFrame frame = FrameWithSquare(300, 200, 46);
  m.Deliver(frame);
  m.Deliver(frame);
  EXPECT_EQ(m.poster.posts, 2);
  m.handler.OnFrameReady();
  m.handler.OnFrameReady();
  EXPECT_EQ(m.handler.Analyses(), 2);
  EXPECT_EQ(m.snapshots.SnapshotCount(), 1);
  EXPECT_TRUE(m.dir.Exists("StillCap0001.bmp"));
  EXPECT_FALSE(m.dir.Exists("StillCap0002.bmp"));
  EXPECT_EQ(m.context.markResult, 1);
  EXPECT_FLOAT_EQ(m.context.markCol, 322.0F);
  EXPECT_FLOAT_EQ(m.context.markRow, 223.0F);
}

TEST(FrameHandler, HoldSkipsTheAnalysisButNotTheSnapshot) {
  Machine m;
  m.context.detectionHold = 10;
  m.context.markResult = 0;
  m.handler.RequestFrame();
  m.Deliver(UniformFrame(220));
  m.handler.OnFrameReady();
  EXPECT_EQ(m.handler.Analyses(), 0);
  EXPECT_EQ(m.context.markResult, 0);
  EXPECT_TRUE(m.dir.Exists("StillCap0001.bmp"));
}

TEST(FrameHandler, EdgeModeRunsTheEdgeSearchButACalibrationReadNever) {
  Machine m;
  m.context.edgeMode = 1;
  CameraFrame frame = UniformFrame(220);
  for (int c = 0; c < 300; ++c) SetGrey(frame, c, 400, 20);
  m.handler.RequestFrame();
  m.Deliver(frame);
  m.handler.OnFrameReady();
  EXPECT_FLOAT_EQ(m.context.markCol, 299.0F);
  EXPECT_FLOAT_EQ(m.context.markRow, 240.0F);

  // The cut calibration square, light on dark, read with edge mode left over from a run.
  RecordingSink sink;
  m.handler.SetCalibrationSink(&sink);
  m.context.searchAttempts = 30;
  m.handler.StartCalibrationRead();
  EXPECT_EQ(m.context.searchAttempts, 0);
  m.Deliver(FrameWithSquare(297, 217, 46, 20, 220));  // centre (320, 240)
  m.handler.OnFrameReady();
  ASSERT_EQ(sink.reads.size(), 1U);
  EXPECT_EQ(sink.reads[0], (OffsetPair{65, 80}));
  EXPECT_EQ(m.context.calibrationRead, 0);
  EXPECT_TRUE(m.actions.log.empty());
}

TEST(FrameHandler, ACalibrationReadDuringTheHoldWaitsForTheFirstAnalysisAfterIt) {
  Machine m;
  RecordingSink sink;
  m.handler.SetCalibrationSink(&sink);
  m.context.detectionHold = 10;
  m.handler.StartCalibrationRead();
  const CameraFrame cut = FrameWithSquare(297, 217, 46, 20, 220);
  m.Deliver(cut);
  m.handler.OnFrameReady();
  EXPECT_TRUE(sink.reads.empty());
  EXPECT_EQ(m.context.calibrationRead, 1);

  m.context.detectionHold = 0;
  m.handler.RequestFrame();
  m.Deliver(cut);
  m.handler.OnFrameReady();
  ASSERT_EQ(sink.reads.size(), 1U);
  EXPECT_EQ(sink.reads[0], (OffsetPair{65, 80}));
  EXPECT_EQ(m.context.calibrationRead, 0);
}

TEST(FrameHandler, ACalibrationReadThatFindsNothingSaysSoAndStillConverts) {
  Machine m;
  RecordingSink sink;
  m.handler.SetCalibrationSink(&sink);
  m.context.markScale = 4.0 / 150.0;
  m.handler.StartCalibrationRead();
  m.Deliver(UniformFrame(220));
  m.handler.OnFrameReady();
  EXPECT_EQ(m.actions.log,
            (std::vector<std::string>{"message " + std::string(kCalibrationNotFoundMessage)}));
  ASSERT_EQ(sink.reads.size(), 1U);
  EXPECT_EQ(sink.reads[0], (OffsetPair{1, 165}));
  EXPECT_EQ(m.context.markResult, -1);
  EXPECT_EQ(m.context.calibrationRead, 0);
}

TEST(FrameHandler, ANoticeDuringTheTimeOutBoxIsHandledAfterIt) {
  Machine m;
  m.actions.sheets = 3;
  m.context.searchAttempts = 65;
  m.handler.RequestFrame();
  const CameraFrame paper = UniformFrame(220);
  m.Deliver(paper);
  m.Deliver(paper);
  int analysesInsideTheBox = -1;
  m.actions.duringMessage = [&] {
    m.handler.OnFrameReady();  // the second notice of the request, from the box's event loop
    analysesInsideTheBox = m.handler.Analyses();
  };
  m.handler.OnFrameReady();
  EXPECT_EQ(analysesInsideTheBox, 1);
  EXPECT_EQ(m.handler.Analyses(), 2);
  // One give-up only: one notice, one message, one eject, one end of the run.
  EXPECT_EQ(m.actions.log.size(), 4U);
  EXPECT_EQ(m.context.searchAttempts, 1);
}

TEST(FrameHandler, AFrameOfAnotherSizeIsNotFoundButCounts) {
  Machine m;
  m.buffer.SetFrameSize(320, 240);
  m.handler.RequestFrame();
  const std::vector<std::uint8_t> small(320 * 240 * 3, 20);
  m.buffer.OnFrame(0.0, small.data(), small.size());
  m.handler.OnFrameReady();
  EXPECT_EQ(m.context.markResult, -1);
  EXPECT_EQ(m.context.searchAttempts, 1);
}

}  // namespace
}  // namespace orvex::test
