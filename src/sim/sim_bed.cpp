// The shared bed: laying sheets on the feed commands, and recording the head's cuts.
#include "sim/sim_bed.h"

namespace orvex::sim {

void SimBed::DeliverSheet() {
  if (!supply.job) return;
  const int number = static_cast<int>(laid_.size()) + 1;  // a sheet never drawn in is replaced
  JobPoint pivot;
  if (!supply.job->marks.empty()) pivot = supply.job->marks.front().centre;
  SheetPlacement placement = supply.placement;
  if (auto it = supply.perSheet.find(number); it != supply.perSheet.end()) {
    placement = it->second;
  } else if (supply.random) {
    placement =
        SheetPlacement::Random(supply.seed + static_cast<std::uint32_t>(number), supply.maxOffsetMm,
                               supply.maxRotationDeg, supply.maxStretch, pivot);
  }
  placement.faceDown = placement.faceDown || supply.faceDown;
  waiting_ = Waiting{supply.job, placement, number};
}

MachinePoint SimBed::NominalOrigin(const PrintedJob& job, bool faceDown) const {
  const FeedIn& in = supply.feedIn;
  if (in.fixedOrigin) return *in.fixedOrigin;
  const double firstMarkA = job.marks.empty() ? 0.0 : job.marks.front().centre.a;
  // The job's feed coordinate runs towards -x face up, towards +x face down.
  const double firstMarkX = head.x + in.edgeAheadOfBladeMm - in.leadInMm;
  return MachinePoint{faceDown ? firstMarkX - firstMarkA : firstMarkX + firstMarkA,
                      in.mediaWidthMm - in.farEdgeMarginMm};
}

void SimBed::CheckOnMedia(const PlacedSheet& sheet) {
  const PrintedJob& job = sheet.Job();
  std::vector<JobPoint> corners;
  if (job.sheet.known) {
    corners = {{job.sheet.aMin, job.sheet.bMin}, {job.sheet.aMax, job.sheet.bMin},
               {job.sheet.aMin, job.sheet.bMax}, {job.sheet.aMax, job.sheet.bMax}};
  } else {
    for (const PrintedContour& contour : job.contours) {
      for (const JobPoint& p : contour.points) corners.push_back(p);
    }
    for (const PrintedMark& mark : job.marks) corners.push_back(mark.centre);
  }
  for (const JobPoint& corner : corners) {
    const MachinePoint m = sheet.ToMachine(corner);
    if (m.y < 0.0 || m.y > supply.feedIn.mediaWidthMm) {
      NoteProblem("sheet " + std::to_string(sheet.Number()) + " lies off the media at cross " +
                  std::to_string(m.y) + " mm");
      return;
    }
  }
}

bool SimBed::NoteFeedCommand(int n) {
  if (n != 0) {
    feedSinceRequest_ = true;
    return false;
  }
  if (!waiting_ || !feedSinceRequest_) return false;
  const MachinePoint origin = NominalOrigin(*waiting_->job, waiting_->placement.faceDown);
  laid_.emplace_back(waiting_->job, waiting_->placement, origin, waiting_->number);
  waiting_.reset();
  if (!supply.feedIn.fixedOrigin) CheckOnMedia(laid_.back());
  onBed_ = static_cast<int>(laid_.size()) - 1;
  bladeDown_ = false;
  return true;
}

const PlacedSheet* SimBed::SheetOnBed() const {
  return onBed_ ? &laid_[static_cast<std::size_t>(*onBed_)] : nullptr;
}

void SimBed::MoveTo(MachinePoint target) {
  head = target;
  bladeDown_ = false;
}

void SimBed::CutTo(MachinePoint target, MachinePoint toolOffset) {
  const int sheet = SheetIndexOnBed();
  auto point = [&toolOffset](MachinePoint p) {
    return MachinePoint{p.x + toolOffset.x, p.y + toolOffset.y};
  };
  if (!bladeDown_ || cuts_.empty() || cuts_.back().sheet != sheet) {
    cuts_.push_back(CutStroke{sheet, {point(head)}});
  }
  cuts_.back().points.push_back(point(target));
  head = target;
  bladeDown_ = true;
}

void SimBed::SetMarkPrint(int markIndex, MarkPrint print) {
  if (!supply.job || markIndex < 0 ||
      static_cast<std::size_t>(markIndex) >= supply.job->marks.size()) {
    return;
  }
  // Sheets already laid keep the print they had: they hold the old job.
  auto changed = std::make_shared<PrintedJob>(*supply.job);
  changed->marks[static_cast<std::size_t>(markIndex)].print = print;
  supply.job = std::move(changed);
}

}  // namespace orvex::sim
