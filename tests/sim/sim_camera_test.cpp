// The simulated camera alone: frames at known head positions show the marks where the machine
// model puts them (as the mark search measures them), the stream's timing, and its faults.
#include "sim/sim_camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/sim_machine.h"
#include "vision/edge_search.h"
#include "vision/mark_search.h"

namespace orvex::sim {
namespace {

class SimCameraTest : public ::testing::Test {
 protected:
  SimCameraTest() {
    PrintedJob job;
    job.marks = {PrintedMark{{10.0, 2.0}}, PrintedMark{{210.0, 2.0}}};
    // A contour next to the first mark, as labels sit beside it.
    job.contours.push_back(PrintedContour{{{20.0, 8.0}, {60.0, 8.0}, {60.0, 40.0}}, false});
    machine_.SetJob(job);
    machine_.Bed().supply.feedIn.fixedOrigin = MachinePoint{100.0, 300.0};
  }

  void LaySheet(SheetPlacement placement = {}) {
    machine_.Bed().supply.placement = placement;
    machine_.Bed().NoteSheetRequested();
    machine_.Bed().DeliverSheet();
    machine_.Bed().NoteFeedCommand(4);
    machine_.Bed().NoteFeedCommand(0);
  }

  // Puts the camera's axis on job point `p` plus a shift in pixels.
  void LookAt(JobPoint p, double shiftCol, double shiftRow) {
    const MachinePoint m = machine_.Bed().SheetOnBed()->ToMachine(p);
    const SimCameraSettings& s = machine_.Camera().Settings();
    const double scale = machine_.Camera().Scale();
    machine_.Bed().head = MachinePoint{m.x - s.offsetFeedTenths / 10.0 - shiftRow * scale,
                                       m.y - s.offsetCrossTenths / 10.0 + shiftCol * scale};
  }

  CameraFrame Frame() {
    CameraFrame frame;
    frame.width = kFrameWidth;
    frame.height = kFrameHeight;
    machine_.Camera().Render(frame.bytes);
    return frame;
  }

  SimMachine machine_;
};

TEST_F(SimCameraTest, MarkSearchFindsTheMarkWhereTheModelPutsIt) {
  SheetPlacement tilted;
  tilted.rotationDeg = 0.3;
  tilted.offsetFeedMm = 2.0;
  tilted.offsetCrossMm = -1.5;
  tilted.pivot = {10.0, 2.0};
  for (const SheetPlacement& placement : {SheetPlacement{}, tilted}) {
    LaySheet(placement);
    for (int mpix : {46, 51}) {
      machine_.Camera().Settings().mpix = mpix;
      for (int mark = 0; mark < 2; ++mark) {
        const JobPoint centre = machine_.Bed().SheetOnBed()->Job().marks[mark].centre;
        for (int i = 0; i < 7; ++i) {
          // Sub-pixel places across the search window.
          const double shiftCol = -60.0 + 21.37 * i;
          const double shiftRow = 45.0 - 13.71 * i;
          LookAt(centre, shiftCol, shiftRow);
          const PixelPoint expected = machine_.Camera().Predict(centre);
          EXPECT_NEAR(expected.col, 320.0 + shiftCol, 1e-9);
          EXPECT_NEAR(expected.row, 240.0 + shiftRow, 1e-9);
          const MarkPoint found = LocateMark(Frame(), false);
          ASSERT_TRUE(found.Found()) << "mpix " << mpix << " mark " << mark << " place " << i;
          EXPECT_NEAR(found.col, expected.col, 0.5) << "mpix " << mpix << " place " << i;
          EXPECT_NEAR(found.row, expected.row, 0.5) << "mpix " << mpix << " place " << i;
        }
      }
    }
  }
}

TEST_F(SimCameraTest, PictureIsGreyPaperWithDarkInkInTheFrameFormat) {
  LaySheet();
  LookAt({10.0, 2.0}, 0.0, 0.0);
  const CameraFrame frame = Frame();
  ASSERT_TRUE(frame.IsStandard());
  for (std::size_t at = 0; at < frame.bytes.size(); at += 3 * 997) {
    EXPECT_EQ(frame.bytes[at], frame.bytes[at + 1]);
    EXPECT_EQ(frame.bytes[at], frame.bytes[at + 2]);
  }
  EXPECT_LT(frame.Grey(320, 240), 60);                    // inside the mark
  EXPECT_GT(frame.Grey(320, 400), 180);                   // paper
  EXPECT_GT(frame.Grey(5, 5), frame.Grey(634, 474) + 5);  // the light falls off
  // Without a sheet the bed's dark film is all there is to see.
  machine_.Bed().RemoveSheet();
  const CameraFrame empty = Frame();
  int lightest = 0;
  for (int row = 0; row < kFrameHeight; row += 7) {
    for (int col = 0; col < kFrameWidth; col += 7)
      lightest = std::max(lightest, empty.Grey(col, row));
  }
  EXPECT_LT(lightest, 60);

  // The head at the far ends of its travel: the sheet is nowhere in view, and nothing breaks.
  LaySheet();
  for (const MachinePoint far : {MachinePoint{1e5, -1e5}, MachinePoint{-1e5, 1e5}}) {
    machine_.Bed().head = far;
    EXPECT_FALSE(LocateMark(Frame(), false).Found());
  }
}

TEST_F(SimCameraTest, MarksMissingHalfPrintedOrNotShownAreNotFound) {
  machine_.Bed().SetMarkPrint(0, MarkPrint::kMissing);
  machine_.Bed().SetMarkPrint(1, MarkPrint::kHalf);
  LaySheet();
  LookAt({10.0, 2.0}, 0.0, 0.0);
  EXPECT_FALSE(LocateMark(Frame(), false).Found());
  LookAt({210.0, 2.0}, 0.0, 0.0);
  EXPECT_FALSE(LocateMark(Frame(), false).Found());
  EXPECT_LT(Frame().Grey(320 - 10, 240), 80);  // the printed half is there

  machine_.Bed().SetMarkPrint(0, MarkPrint::kFull);
  LaySheet();
  LookAt({10.0, 2.0}, 0.0, 0.0);
  EXPECT_TRUE(LocateMark(Frame(), false).Found());
  machine_.Camera().Settings().showsMarks = false;
  EXPECT_FALSE(LocateMark(Frame(), false).Found());
}

class CountingSink : public FrameSink {
 public:
  explicit CountingSink(SimClock& clock) : clock_(clock) {}
  void OnFrame(double seconds, const std::uint8_t* /*bytes*/, std::size_t length) override {
    times.push_back(clock_.NowMs());
    stamps.push_back(seconds);
    lastLength = length;
  }
  SimClock& clock_;
  std::vector<std::int64_t> times;
  std::vector<double> stamps;
  std::size_t lastLength = 0;
};

TEST_F(SimCameraTest, StreamsAFrameEveryPeriodUntilStopped) {
  SimCamera& camera = machine_.Camera();
  const auto devices = camera.ListDevices();
  ASSERT_EQ(devices.size(), 1U);
  EXPECT_EQ(devices[0].devicePath.substr(21, 4), "6001");
  CountingSink sink(machine_.Clock());
  int width = 0;
  int height = 0;
  ASSERT_EQ(camera.Start(devices[0], sink, width, height), 0);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  machine_.Clock().Sleep(199);
  EXPECT_TRUE(sink.times.empty());
  machine_.Clock().Sleep(1001);
  EXPECT_EQ(sink.times, (std::vector<std::int64_t>{200, 400, 600, 800, 1000, 1200}));
  EXPECT_DOUBLE_EQ(sink.stamps.back(), 1.2);
  EXPECT_EQ(sink.lastLength, kFrameBytes);
  camera.Stop();
  machine_.Clock().Sleep(1000);
  EXPECT_EQ(sink.times.size(), 6U);

  camera.Settings().deliversFrames = false;
  ASSERT_EQ(camera.Start(devices[0], sink, width, height), 0);
  machine_.Clock().Sleep(1000);
  EXPECT_EQ(sink.times.size(), 6U);

  camera.Settings().present = false;
  EXPECT_TRUE(camera.ListDevices().empty());
  EXPECT_NE(camera.Start(devices[0], sink, width, height), 0);
  EXPECT_FALSE(camera.Streaming());
}

// With the paper's outline known the bed shows dark around the sheet, and the edge search finds
// the side (smallest b) and the start (smallest a) of the paper where the model puts them; the
// marks are found as before.
TEST_F(SimCameraTest, EdgeSearchFindsThePapersSideAndStartWhereTheModelPutsThem) {
  PrintedJob job;
  job.marks = {PrintedMark{{60.0, 40.0}}, PrintedMark{{260.0, 40.0}}};
  job.sheet = SheetOutline{true, -5.0, 300.0, -6.0, 200.0};
  machine_.SetJob(job);
  // Laid printed side down, the sheet's a runs towards +x: past its corner (a, b) = (-5, -6)
  // the paper fills the larger rows and the larger columns.
  SheetPlacement shifted;
  shifted.offsetFeedMm = 1.3;
  shifted.offsetCrossMm = -0.7;
  shifted.faceDown = true;
  LaySheet(shifted);
  for (const auto& [shiftCol, shiftRow] : {std::pair{-20.0, -40.0}, std::pair{-57.3, 91.6}}) {
    LookAt({-5.0, -6.0}, shiftCol, shiftRow);
    const CameraFrame frame = Frame();
    EXPECT_LT(frame.Grey(10, 10), 100);    // bed
    EXPECT_GT(frame.Grey(630, 470), 150);  // paper
    // The search names the last dark pixel or the first light one: noise breaks their tie.
    const MarkPoint side = LocateSheetEdge(frame, false);
    EXPECT_NEAR(side.col, 320.0 + shiftCol, 1.0) << shiftCol;
    EXPECT_EQ(side.row, 240.0F);
    const MarkPoint end = LocateSheetEdge(frame, true);
    EXPECT_NEAR(end.col, side.col, 0.01);
    EXPECT_NEAR(end.row, 240.0 + shiftRow, 1.0) << shiftRow;
  }
  // Inside the paper there is no edge; face up, the marks on it are found.
  shifted.faceDown = false;
  LaySheet(shifted);
  LookAt({60.0, 40.0}, 0.0, 0.0);
  EXPECT_FALSE(LocateSheetEdge(Frame(), false).Found());
  EXPECT_TRUE(LocateMark(Frame(), false).Found());
  // Laid printed side down: the job's feed runs with the machine's, and no print shows.
  SheetPlacement down = shifted;
  down.faceDown = true;
  down.rotationDeg = 0.4;
  LaySheet(down);
  const PlacedSheet& sheet = *machine_.Bed().SheetOnBed();
  const JobPoint p{120.0, 30.0};
  const MachinePoint m = sheet.ToMachine(p);
  EXPECT_NEAR(sheet.ToJob(m).a, p.a, 1e-9);
  EXPECT_NEAR(sheet.ToJob(m).b, p.b, 1e-9);
  EXPECT_NEAR(sheet.ToMachine({121.0, 30.0}).x - m.x, 1.0, 0.001);
  LookAt({60.0, 40.0}, 0.0, 0.0);
  EXPECT_FALSE(LocateMark(Frame(), false).Found());
  EXPECT_GT(Frame().Grey(320, 240), 150);
  // No sheet on the bed: all bed, no edge.
  machine_.Bed().RemoveSheet();
  const CameraFrame empty = Frame();
  EXPECT_LT(empty.Grey(320, 240), 100);
  EXPECT_FALSE(LocateSheetEdge(empty, false).Found());
}

}  // namespace
}  // namespace orvex::sim
