// Time as the logic sees it: a millisecond tick, calendar seconds, and blocking waits.
// The GUI's clock sleeps in a nested event loop; the simulated machine's clock advances virtual
// time and runs the simulated devices instead of waiting.
#pragma once

#include <cstdint>

namespace orvex {

class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds since an arbitrary origin; wraps like a 32-bit tick counter.
  virtual std::uint32_t TickMs() = 0;
  // Seconds since the epoch (calendar time).
  virtual std::int64_t CalendarSeconds() = 0;
  // Blocks the caller for `ms` milliseconds.
  virtual void Sleep(int ms) = 0;
};

}  // namespace orvex
