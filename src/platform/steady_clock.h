// The Clock port on the real clocks. Sleep blocks the thread; the GUI installs its own clock
// whose sleep runs a nested event loop instead.
#pragma once

#include "core/clock.h"

namespace orvex {

class SteadyClock : public Clock {
 public:
  std::uint32_t TickMs() override;
  std::int64_t CalendarSeconds() override;
  void Sleep(int ms) override;
};

}  // namespace orvex
