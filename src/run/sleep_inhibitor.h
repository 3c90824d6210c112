// Keeping the PC awake while a run of sheets goes: a PC that suspends in the middle of a run
// stops the cutter's stream mid-sheet and leaves the feeder's stack half done. The run engine
// says when a run starts and when it ends; the platform holds the PC's sleep off in between.
#pragma once

namespace orvex {

class SleepInhibitor {
 public:
  virtual ~SleepInhibitor() = default;
  // A run started: sleep is held off until Release.
  virtual void Hold() = 0;
  // The run ended (its copies done, Stop, the feeder out of sheets) or the window closed.
  virtual void Release() = 0;
};

}  // namespace orvex
