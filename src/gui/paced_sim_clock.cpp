// Virtual time paced to the wall clock.
#include "gui/paced_sim_clock.h"

#include <algorithm>
#include <cmath>

#include "gui/event_loop_wait.h"

namespace orvex::gui {

namespace {
// How often virtual time is carried forward: well below the 120 ms timer and the camera's
// 200 ms frame period, so both keep their rhythm at ten times the speed.
constexpr int kPaceSliceMs = 5;
}  // namespace

PacedSimClock::PacedSimClock(sim::SimClock& twin, double speed)
    : twin_(twin), speed_(speed > 0.0 ? speed : 1.0) {
  idle_.setTimerType(Qt::PreciseTimer);
  idle_.setInterval(kPaceSliceMs);
  connect(&idle_, &QTimer::timeout, this, [this] { CatchUp(); });
}

void PacedSimClock::Start() {
  originMs_ = twin_.NowMs();
  wall_.start();
  idle_.start();
}

std::int64_t PacedSimClock::DueMs() const {
  if (!wall_.isValid()) return twin_.NowMs();
  return originMs_ + static_cast<std::int64_t>(std::floor(wall_.elapsed() * speed_));
}

void PacedSimClock::CatchUp() {
  std::int64_t target = DueMs();
  if (!waitEnds_.empty()) target = std::min(target, waitEnds_.back());
  if (target > twin_.NowMs()) twin_.Advance(target - twin_.NowMs());
}

void PacedSimClock::Sleep(int ms) {
  if (ms <= 0) return;
  const std::int64_t end = twin_.NowMs() + ms;
  if (!wall_.isValid()) {
    // Not paced (yet): the wait is virtual only.
    twin_.Advance(ms);
    return;
  }
  waitEnds_.push_back(end);
  while (twin_.NowMs() < end) {
    CatchUp();
    if (twin_.NowMs() >= end) break;
    // The wall time until the wait's end falls due, in slices, so the twin's events inside the
    // wait (replies, frames) happen on time too.
    const double wallLeft = static_cast<double>(end - DueMs()) / speed_;
    const int slice = static_cast<int>(std::clamp(std::ceil(wallLeft), 1.0,
                                                  static_cast<double>(kPaceSliceMs)));
    WaitInEventLoop(slice);
  }
  waitEnds_.pop_back();
}

}  // namespace orvex::gui
