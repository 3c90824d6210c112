// The Clock of the window on the real machine: the steady millisecond tick, calendar seconds,
// and waits in a nested event loop (see event_loop_wait.h).
#pragma once

#include "core/clock.h"
#include "platform/steady_clock.h"

namespace orvex::gui {

class EventLoopClock : public Clock {
 public:
  std::uint32_t TickMs() override { return steady_.TickMs(); }
  std::int64_t CalendarSeconds() override { return steady_.CalendarSeconds(); }
  void Sleep(int ms) override;

 private:
  SteadyClock steady_;
};

}  // namespace orvex::gui
