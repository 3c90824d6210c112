// Virtual time: sleeping runs the due device events instead of waiting.
#include "sim/sim_clock.h"

namespace orvex::sim {

void SimClock::Sleep(int ms) {
  Advance(ms);
}

void SimClock::Advance(std::int64_t ms) {
  const std::int64_t target = nowMs_ + (ms > 0 ? ms : 0);
  while (!events_.empty() && events_.begin()->first.first <= target) {
    auto first = events_.begin();
    if (first->first.first > nowMs_) nowMs_ = first->first.first;
    Event event = std::move(first->second);
    events_.erase(first);
    event();
  }
  // An event that slept (a blocking sequence started by a timer tick) may have carried time
  // past this wait's end; time never goes back.
  if (target > nowMs_) nowMs_ = target;
}

SimClock::EventId SimClock::ScheduleAt(std::int64_t atMs, Event event) {
  const EventId id = nextId_++;
  events_.emplace(std::make_pair(atMs, id), std::move(event));
  return id;
}

void SimClock::Cancel(EventId id) {
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (it->first.second == id) {
      events_.erase(it);
      return;
    }
  }
}

}  // namespace orvex::sim
