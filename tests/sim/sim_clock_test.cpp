// Virtual time: sleeping runs device events in time order and never waits.
#include "sim/sim_clock.h"

#include <gtest/gtest.h>

#include <string>

namespace orvex::sim {
namespace {

TEST(SimClockTest, SleepRunsDueEventsInTimeThenSchedulingOrder) {
  SimClock clock;
  std::string order;
  std::int64_t seenAt = -1;
  clock.ScheduleAt(300, [&] { order += 'c'; });
  clock.ScheduleAt(100, [&] {
    order += 'a';
    seenAt = clock.NowMs();
    // An event may schedule another inside the same sleep.
    clock.ScheduleAfter(50, [&] { order += 'b'; });
  });
  clock.ScheduleAt(300, [&] { order += 'd'; });
  const auto cancelled = clock.ScheduleAt(200, [&] { order += 'x'; });
  clock.Cancel(cancelled);

  clock.Sleep(299);
  EXPECT_EQ(order, "ab");
  EXPECT_EQ(seenAt, 100);
  EXPECT_EQ(clock.NowMs(), 299);
  clock.Sleep(1);
  EXPECT_EQ(order, "abcd");
  EXPECT_EQ(clock.PendingEvents(), 0U);
  clock.Sleep(-5);  // no wait, no going back
  EXPECT_EQ(clock.NowMs(), 300);
}

TEST(SimClockTest, AnEventThatSleepsPastTheWaitNeverSendsTimeBack) {
  SimClock clock;
  std::int64_t afterNested = -1;
  clock.ScheduleAt(100, [&] {
    clock.Sleep(2000);  // a sequence started inside the outer wait
    afterNested = clock.NowMs();
  });
  clock.Sleep(120);
  EXPECT_EQ(afterNested, 2100);
  EXPECT_EQ(clock.NowMs(), 2100);
}

TEST(SimClockTest, TickWrapsLikeA32BitCounterAndCalendarFollows) {
  SimClock clock;
  clock.SetCalendarSeconds(1'800'000'000);
  clock.SetNowMs(0xFFFFFFFFLL - 10);
  const std::uint32_t before = clock.TickMs();
  const std::int64_t calendar = clock.CalendarSeconds();
  clock.Sleep(20);
  EXPECT_EQ(static_cast<std::uint32_t>(clock.TickMs() - before), 20U);
  EXPECT_LT(clock.TickMs(), before);
  EXPECT_EQ(clock.CalendarSeconds() - calendar, 0);  // 20 ms later, same second or the next
  clock.Sleep(5000);
  EXPECT_GE(clock.CalendarSeconds() - calendar, 5);
}

}  // namespace
}  // namespace orvex::sim
