// The simulated camera alone: its frames show the marks where the machine model puts them, as
// the mark search measures them through blur and noise, at both mark sizes; the film and the
// light. The stream's period, a face-down sheet and a half-printed mark are what runs see, and
// are held by the run transcripts.
#include "sim/sim_camera.h"

#include <gtest/gtest.h>

#include "sim/sim_machine.h"
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

  // Puts the camera's axis on job point `p`, then moves the head so that p shows `shiftCol`
  // columns right of and `shiftRow` rows below the frame's centre.
  void LookAt(JobPoint p, double shiftCol = 0.0, double shiftRow = 0.0) {
    const MachinePoint m = machine_.Bed().SheetOnBed()->ToMachine(p);
    const SimCameraSettings& s = machine_.Camera().Settings();
    const double scale = machine_.Camera().Scale();
    machine_.Bed().head = MachinePoint{m.x - s.offsetFeedTenths / 10.0 - shiftRow * scale,
                                       m.y - s.offsetCrossTenths / 10.0 + shiftCol * scale};
  }

  CameraFrame Frame() {
    CameraFrame frame = MakeStandardFrame();
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
      for (const PrintedMark& mark : machine_.Bed().SheetOnBed()->Job().marks) {
        for (int i = 0; i < 7; ++i) {  // sub-pixel places across the search window
          const double shiftCol = -60.0 + 21.37 * i;
          const double shiftRow = 45.0 - 13.71 * i;
          SCOPED_TRACE(testing::Message() << "mpix " << mpix << " mark at " << mark.centre.a
                                          << " shift " << shiftCol << ", " << shiftRow);
          LookAt(mark.centre, shiftCol, shiftRow);
          const MarkPoint found = LocateMark(Frame(), false);
          ASSERT_TRUE(found.Found());
          EXPECT_NEAR(found.col, 320.0 + shiftCol, 0.5);
          EXPECT_NEAR(found.row, 240.0 + shiftRow, 0.5);
        }
      }
    }
  }
}

TEST_F(SimCameraTest, GreyPaperDarkInkAndTheBedsFilmWhereNoSheetLies) {
  LaySheet();
  LookAt({10.0, 2.0});
  const CameraFrame frame = Frame();
  EXPECT_LT(frame.Grey(320, 240), 60);                    // inside the mark
  EXPECT_GT(frame.Grey(320, 400), 180);                   // paper
  EXPECT_GT(frame.Grey(5, 5), frame.Grey(634, 474) + 5);  // the light falls off
  machine_.Bed().RemoveSheet();
  EXPECT_LT(Frame().Grey(320, 240), 60);
  EXPECT_LT(Frame().Grey(5, 5), 60);
}

}  // namespace
}  // namespace orvex::sim
