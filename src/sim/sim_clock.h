// Virtual time for the simulated machine: a millisecond counter that only moves when the code
// sleeps (or a test advances it), and a queue of device events that run when their time comes.
// Nothing here ever waits for real time, so a whole run of many sheets takes milliseconds.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "core/clock.h"

namespace orvex::sim {

class SimClock : public Clock {
 public:
  using Event = std::function<void()>;
  using EventId = std::uint64_t;

  std::uint32_t TickMs() override { return static_cast<std::uint32_t>(nowMs_); }
  std::int64_t CalendarSeconds() override { return epochSeconds_ + nowMs_ / 1000; }
  // Advances virtual time by `ms`, running every event that falls due on the way, in time order
  // (events of the same time in the order they were scheduled). A negative wait is no wait.
  void Sleep(int ms) override;

  // Virtual milliseconds since the clock was made; never wraps.
  std::int64_t NowMs() const { return nowMs_; }
  void SetCalendarSeconds(std::int64_t seconds) { epochSeconds_ = seconds - nowMs_ / 1000; }
  // Starts the tick counter elsewhere than 0, so tests can cross its 32-bit wrap.

  // Runs `event` when virtual time reaches `atMs` (at once on the next Sleep or Advance if that
  // time has passed). Events may schedule further events.
  EventId ScheduleAt(std::int64_t atMs, Event event);
  EventId ScheduleAfter(std::int64_t delayMs, Event event) {
    return ScheduleAt(nowMs_ + delayMs, std::move(event));
  }
  void Cancel(EventId id);

  // Same as Sleep, for a test driving the machine directly.
  void Advance(std::int64_t ms);

 private:
  std::int64_t nowMs_ = 0;
  std::int64_t epochSeconds_ = 1'700'000'000;
  EventId nextId_ = 1;
  // Keyed by (time, id): ids grow, so equal times keep their scheduling order.
  std::map<std::pair<std::int64_t, EventId>, Event> events_;
};

}  // namespace orvex::sim
