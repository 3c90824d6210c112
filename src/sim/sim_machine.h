// The simulated machine: cutter, sheet feeder and camera around one bed and one virtual clock,
// behind the same ports as the real devices (CutterTransport, FeederTransport, FrameSource,
// Clock).
//
// The machine model, as the twin counts it:
//
//          machine y (cross, mm)
//            ^
//  media     |  ..................................................  far media edge
//  width  -> |  :   [1]  <- first mark        [2]  <- second mark :   b = 0 side of the sheet
//            |  :    +------- printed job ------+                  :   b grows towards y = 0
//            |  :    |   a grows with x  --->   |                  :
//            |  :    +--------------------------+                  :
//         0 -+--:..................................................:--> machine x (feed, mm)
//                  near media edge
//
//  - The head position is the blade's, (x, y) in mm; the cutter's texts count 0.1 mm.
//    "M x,y"/"D x,y" move/cut to an absolute place, "O x,y" moves by a relative step.
//    Instructions ended by LF (the cut stream) count the feed the other way round: "O f,c" and
//    "E f,c" there move by (-f, +c). That is the convention under which the stream, whose feed
//    component is sent negated, cuts the sheet the way its marks were measured.
//  - The sheet's cross coordinate b is counted from the far media edge: a job point (a, b) lies
//    at x = origin.x + a, y = origin.y - b (before the placement error), where origin is the
//    supply's nominal origin.
//  - The camera's optical axis is at (x + offsetFeed, y + offsetCross) from the blade. In a
//    frame, buffer rows grow with x (a row further into the buffer looks further along the
//    feed) and columns grow with b; 4 mm are `mpix` pixels. Column c is centred on c, row r
//    spans [r, r + 1) the way the mark search counts a dark run, and (320, 240) is the optical
//    axis, so the search's reading of a mark is the model's position of it.
//  - The feeder answers a good sheet request after its delay and hands the sheet over; the
//    running feed that follows (ESC ".C21;n:" with n != 0) pulls it in and the feed stop
//    (ESC ".C21;0:") lays it on the bed at the nominal origin plus the sheet's placement error
//    (offset, rotation about the first mark, stretch along the feed). "TC36" (eject) takes it
//    off the bed. Other feed commands (the jog) are recorded but move nothing.
//  - What a TC or TB setting does inside the cutter is not modelled, except the tool
//    condition's speed "TC1002,3,<n>,<v>", taken as v mm/s: the cutter stays busy for the
//    length of each move at that speed (blade down) or at the move speed (blade up), and
//    "TC1002,1,<n>" selects tool condition n.
//  - A query is answered a few virtual milliseconds after it arrives; the reply waits for the
//    status read that takes it.
#pragma once

#include <filesystem>
#include <string>

#include "sim/sim_accuracy.h"
#include "sim/sim_bed.h"
#include "sim/sim_camera.h"
#include "sim/sim_clock.h"
#include "sim/sim_cutter.h"
#include "sim/sim_feeder.h"

namespace orvex::sim {

class SimMachine {
 public:
  explicit SimMachine(SimCutterSettings cutter = {}, SimFeederSettings feeder = {},
                      SimCameraSettings camera = {});
  SimMachine(const SimMachine&) = delete;
  SimMachine& operator=(const SimMachine&) = delete;

  SimClock& Clock() { return clock_; }
  SimBed& Bed() { return bed_; }
  SimCutter& Cutter() { return cutter_; }
  SimFeeder& Feeder() { return feeder_; }
  SimCamera& Camera() { return camera_; }

  // Prints the loaded job of `workDir` (sort.prn, mk3.dat) on the sheets laid from now on.
  // False with a message when the files cannot be read; the previous job stays.
  bool LoadJob(const std::filesystem::path& workDir, std::string& message);
  void SetJob(PrintedJob job);

  // Max and RMS distance of the cut points from the printed contours, per sheet.
  AccuracyReport Accuracy() const { return MeasureAccuracy(bed_); }

 private:
  SimClock clock_;
  SimBed bed_;
  SimCutter cutter_;
  SimFeeder feeder_;
  SimCamera camera_;
};

// The values of a run that fix where the system expects the camera and the sheet.
struct RunExpectation {
  double mediaWidthMm = 320.0;
  int headCrossTenths = 1200;    // the cross position the sheet cycle parks the head at
  int cameraOffsetXTenths = 80;  // the camera offsets the system uses, its manual
  int cameraOffsetYTenths = 99;  // corrections included
  MachinePoint headAfterFeed;    // the blade after the sheet cycle's last move
};

// Sets the camera offsets and the sheet's nominal origin so that the system's arithmetic holds
// on the twin: the camera sits deltaX ahead of the blade along the feed; across, the system
// counts the cut's cross position from the far media edge and starts the stream from the
// parked position, which fixes the camera's cross offset at
//   media width - deltaY - parked cross + 2 mm - the first mark's b;
// and a sheet laid without error has its first mark on the camera's axis when the head is at
// `headAfterFeed`.
void AlignToRun(SimMachine& machine, const RunExpectation& run);

}  // namespace orvex::sim
