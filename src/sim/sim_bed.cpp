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
  waiting_.emplace(supply.job, placement, supply.nominalOrigin, number);
}

bool SimBed::NoteFeedCommand(int n) {
  if (n != 0) {
    feedSinceRequest_ = true;
    return false;
  }
  if (!waiting_ || !feedSinceRequest_) return false;
  laid_.push_back(*waiting_);
  waiting_.reset();
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

void SimBed::CutTo(MachinePoint target) {
  const int sheet = SheetIndexOnBed();
  if (!bladeDown_ || cuts_.empty() || cuts_.back().sheet != sheet) {
    cuts_.push_back(CutStroke{sheet, {head}});
  }
  cuts_.back().points.push_back(target);
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
