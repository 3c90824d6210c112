// The simulated camera alone: grey paper, dark ink, the film and the light's fall-off. Marks where
// the machine model puts them, through blur and noise, on placed and turned sheets at both mark
// sizes, the stream's period, a face-down sheet and a half-printed mark are what runs see, and
// are held by the run transcripts.
#include "sim/sim_camera.h"

#include <gtest/gtest.h>

#include "sim/sim_machine.h"
#include "vision/camera_frame.h"

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

  void LaySheet() {
    machine_.Bed().NoteSheetRequested();
    machine_.Bed().DeliverSheet();
    machine_.Bed().NoteFeedCommand(4);
    machine_.Bed().NoteFeedCommand(0);
  }

  // Puts the camera's axis on job point `p`.
  void LookAt(JobPoint p) {
    const MachinePoint m = machine_.Bed().SheetOnBed()->ToMachine(p);
    const SimCameraSettings& s = machine_.Camera().Settings();
    machine_.Bed().head =
        MachinePoint{m.x - s.offsetFeedTenths / 10.0, m.y - s.offsetCrossTenths / 10.0};
  }

  CameraFrame Frame() {
    CameraFrame frame = MakeStandardFrame();
    machine_.Camera().Render(frame.bytes);
    return frame;
  }

  SimMachine machine_;
};

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
