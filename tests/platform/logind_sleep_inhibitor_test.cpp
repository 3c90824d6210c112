// The logind adapter against a fake logind on the session bus (the test program runs under
// dbus-run-session). Letting the hold go and logind's refusal are seen from the window's side,
// in the application tests.
#include "platform/logind_sleep_inhibitor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QStringList>
#include <vector>

#include "support/fake_logind.h"

namespace orvex {
namespace {

// Held twice, logind is asked once, with its arguments. Without a bus the run goes on and the
// reason is told once.
TEST(LogindSleepInhibitorTest, HoldAsksLogindOnceAndWithoutABusItSaysSoOnce) {
  static int argc = 1;
  static char name[] = "orvex_platform_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);  // Qt's D-Bus wants one; it lives as long as the bus
  test::FakeLogind fake;
  if (!fake.Registered()) GTEST_SKIP() << "no session bus: run under dbus-run-session";
  QStringList told;
  const auto tell = [&](const QString& reason) { told << reason; };

  LogindSleepInhibitor inhibitor(QDBusConnection::sessionBus(), tell);
  inhibitor.Hold();
  inhibitor.Hold();
  EXPECT_EQ(fake.Calls(),
            (std::vector<QStringList>{{"sleep:idle", "Orvex", "Cutting sheets", "block"}}));

  LogindSleepInhibitor noBus(QDBusConnection(QStringLiteral("no such bus")), tell);
  noBus.Hold();
  noBus.Hold();
  EXPECT_EQ(told, QStringList{QStringLiteral("no system bus")});
}

}  // namespace
}  // namespace orvex
