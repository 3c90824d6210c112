// Virtual time: sleeping runs device events in time order and never waits, nor goes back.
#include "sim/sim_clock.h"

#include <gtest/gtest.h>

#include <string>

namespace orvex::sim {
namespace {

TEST(SimClockTest, SleepRunsDueEventsInTimeThenSchedulingOrder) {
  SimClock clock;
  std::string order;
  clock.ScheduleAt(300, [&] { order += 'c'; });
  clock.ScheduleAt(100, [&] {
    order += 'a';
    EXPECT_EQ(clock.NowMs(), 100);
    clock.ScheduleAfter(50, [&] { order += 'b'; });  // inside the same sleep
  });
  clock.ScheduleAt(300, [&] { order += 'd'; });
  clock.Cancel(clock.ScheduleAt(200, [&] { order += 'x'; }));
  clock.Sleep(299);
  EXPECT_EQ(order, "ab");
  EXPECT_EQ(clock.NowMs(), 299);
  clock.Sleep(1);
  EXPECT_EQ(order, "abcd");
  clock.Sleep(-5);
  EXPECT_EQ(clock.NowMs(), 300);
}

// A sequence started by an event inside the outer wait sleeps past its end.
TEST(SimClockTest, AnEventThatSleepsPastTheWaitNeverSendsTimeBack) {
  SimClock clock;
  clock.ScheduleAt(100, [&] { clock.Sleep(2000); });
  clock.Sleep(120);
  EXPECT_EQ(clock.NowMs(), 2100);
}

}  // namespace
}  // namespace orvex::sim
