// The cutter's bed as the simulated devices share it: where the head is, which sheet lies under
// it, the sheet the feeder has handed over but the cutter has not yet drawn in, and every cut.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/sim_sheet.h"

namespace orvex::sim {

// A polyline cut with the blade down, in machine millimetres, on the sheet of index `sheet` in
// LaidSheets() (-1: no sheet was on the bed).
struct CutStroke {
  int sheet = -1;
  std::vector<MachinePoint> points;
};

// How the feed-in lays a sheet: its reference edge (the job's first mark lies `leadInMm` behind
// it along the job's feed coordinate) stops `edgeAheadOfBladeMm` ahead of the blade at the feed
// stop, and the job's b = 0 line runs `farEdgeMarginMm` inside the far media edge.
struct FeedIn {
  double edgeAheadOfBladeMm = 25.0;
  double leadInMm = 45.0;
  double farEdgeMarginMm = 8.0;
  double mediaWidthMm = 320.0;
  // Set: every sheet's job origin lies here, wherever the head is (a film laid by hand).
  std::optional<MachinePoint> fixedOrigin;
};

// What the feeder lays: the job, how the feed-in places it, and each sheet's placement error
// (fixed, per sheet, or drawn from a seed).
struct SheetSupply {
  std::shared_ptr<const PrintedJob> job;
  FeedIn feedIn;
  SheetPlacement placement;                // used when neither below applies
  std::map<int, SheetPlacement> perSheet;  // by sheet number, 1 for the first sheet laid
  bool random = false;
  std::uint32_t seed = 1;
  double maxOffsetMm = 2.0;
  double maxRotationDeg = 0.3;
  double maxStretch = 0.001;
  bool faceDown = false;  // every sheet laid printed side down (see SheetPlacement)
};

class SimBed {
 public:
  MachinePoint head;  // the blade, in machine millimetres
  SheetSupply supply;

  // The feeder has been asked for a sheet: the feed that follows draws that sheet in.
  void NoteSheetRequested() { feedSinceRequest_ = false; }
  // The feeder hands a sheet over; it waits at the entry until the cutter's feed-in ends.
  void DeliverSheet();
  // A media feed command ESC ".C21;n:": a running feed (n != 0) pulls a handed-over sheet in,
  // the stop (n = 0) that follows lays it at its place. Returns true when a sheet was laid.
  bool NoteFeedCommand(int n);
  // The sheet is taken off the bed (ejected).
  void RemoveSheet() { onBed_.reset(); }

  const PlacedSheet* SheetOnBed() const;
  int SheetIndexOnBed() const { return onBed_ ? *onBed_ : -1; }
  bool SheetWaiting() const { return waiting_.has_value(); }
  const std::vector<PlacedSheet>& LaidSheets() const { return laid_; }

  // Head motion: a move lifts the tool, a cut records the stroke the tool's point draws on the
  // sheet under the head (the point lies `toolOffset` from the blade's place).
  void MoveTo(MachinePoint target);
  void CutTo(MachinePoint target, MachinePoint toolOffset = {});
  const std::vector<CutStroke>& Cuts() const { return cuts_; }

  // Changes how the marks of sheets laid from now on are printed (index 0 first mark, 1 second).
  void SetMarkPrint(int markIndex, MarkPrint print);

  // What no machine could do, noted where it happened: a sheet laid partly off the media, a cut
  // or a camera view outside it. A test fails on any.
  const std::vector<std::string>& Problems() const { return problems_; }
  void NoteProblem(std::string problem) { problems_.push_back(std::move(problem)); }

  // Where the job's origin lies for a sheet laid now without error.
  MachinePoint NominalOrigin(const PrintedJob& job, bool faceDown) const;

 private:
  void CheckOnMedia(const PlacedSheet& sheet);

  struct Waiting {
    std::shared_ptr<const PrintedJob> job;
    SheetPlacement placement;
    int number = 0;
  };
  std::optional<Waiting> waiting_;
  std::vector<PlacedSheet> laid_;
  std::optional<int> onBed_;
  bool feedSinceRequest_ = false;
  bool bladeDown_ = false;
  std::vector<CutStroke> cuts_;
  std::vector<std::string> problems_;
};

}  // namespace orvex::sim
