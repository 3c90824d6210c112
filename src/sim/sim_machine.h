// The simulated machine: cutter, sheet feeder and camera around one bed and one virtual clock,
// behind the same ports as the real devices (CutterTransport, FeederTransport, FrameSource,
// Clock).
//
// The machine model, as the twin counts it (machine millimetres, the head's blade at (x, y)):
//
//          y (cross)
//            ^  far media edge (y = media width) . . . . . . . . . . . . . . . . . . . .
//            |          b = 0 line, 8 mm inside     [2]--------------[1]  <- marks
//            |       camera axis = blade + (-8, +70.1)   |   print    |
//            |                                       b   +------------+
//            |                                       |      <--- a
//            |  near media edge (y = 0) . . . . . . .v. . . . . . . . . . . . . . . . .
//            +-------------------------------------------------------------------> x (feed)
//
//  - "M x,y"/"D x,y" move/cut to an absolute place; "O x,y"/"E x,y" step by (+x, +y), in the
//    same axes and sense, whatever instruction separator ends them. Texts count 0.1 mm.
//  - Face up, the job's a runs towards -x and b towards -y: the far edge of the job faces the
//    far media edge. Face down, a runs towards +x (a mirror image) and the camera sees no print.
//  - The camera is part of the head: its optical axis (pixel 320, 240) lies at a fixed offset
//    from the blade, the same on every media width. Buffer rows grow towards +x, columns towards
//    -y, so a face-up print is seen the right way round. 4 mm are `mpix` pixels.
//  - The feed-in: the feeder hands the sheet over, the running feed draws it in and the feed
//    stop (ESC ".C21;0:") lays it with its reference edge 25 mm ahead of the blade (the first
//    mark lies the first-marker distance behind that edge) and its b = 0 line 8 mm inside the
//    far media edge, plus the sheet's placement error (offset, rotation about the first mark,
//    stretch along the feed). "TC36" (eject) takes it off the bed.
//  - What a TC or TB setting does inside the cutter is not modelled, except the tool
//    condition's speed "TC1002,3,<n>,<v>", taken as v mm/s: the cutter stays busy for the
//    length of each move at that speed (blade down) or at the move speed (blade up).
//  - A query is answered a few virtual milliseconds after it arrives; the reply waits for the
//    status read that takes it.
//
// Eight of the run's formulas are mended to hold on such a machine:
//  - M1: the move from the first mark to the second goes towards the larger job coordinate,
//    (first - second) x 10, as every other such move; written as +D it moves away from it.
//  - M2: command 111's relative cross step is added to the head's recorded cross position, so
//    the record follows the head and the stream starts from media width - 80 mm.
//  - M3: the calibration square is read where the first mark is read (the head at 2 x the
//    parked cross), not at cross 0 where it is out of view on every media width.
//  - M4: in edge mode the cut origin does not count the end edge's last offset a second time.
//  - M5: cut without crop marks, the camera moves the marks' distance from the first mark's
//    place (a fixed 25 mm in its place cut the sample 23 mm off its print).
//  - M6: command 111's short-job form keeps edge mode's 15 mm shorter return (n + 700, not
//    + 850), or the end edge stands 15 mm off centre and a sheet laid 1.5 mm long is lost.
//  - M7: in edge mode the skew is taken over the camera's travel between the two side-edge
//    readings (the marks' distance plus the end search's re-centring), not the marks' distance.
//  - M8: in edge mode the cross origin takes off what the skew moves the side edge between its
//    reading row (400) and the centre row (0.09 mm at 0.4 degrees).
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

  // The media loaded: the width the cutter reports and the feed-in lays sheets against.
  void SetMediaWidth(double mm);

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

}  // namespace orvex::sim
