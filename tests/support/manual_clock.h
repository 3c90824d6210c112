// A Clock for unit tests: time moves only when the code under test sleeps or the test advances it.
#pragma once

#include <cstdint>
#include <vector>

#include "core/clock.h"

namespace orvex::test {

class ManualClock : public Clock {
 public:
  std::uint32_t TickMs() override { return static_cast<std::uint32_t>(nowMs_); }
  std::int64_t CalendarSeconds() override { return epochSeconds_ + nowMs_ / 1000; }
  void Sleep(int ms) override {
    sleeps_.push_back(ms);
    nowMs_ += ms;
  }

  void Advance(std::int64_t ms) { nowMs_ += ms; }
  void SetCalendarSeconds(std::int64_t seconds) { epochSeconds_ = seconds - nowMs_ / 1000; }
  // Every Sleep the code made, in order: the waits of a fixed sequence are part of its protocol.
  const std::vector<int>& Sleeps() const { return sleeps_; }

 private:
  std::int64_t nowMs_ = 0;
  std::int64_t epochSeconds_ = 1'700'000'000;
  std::vector<int> sleeps_;
};

}  // namespace orvex::test
