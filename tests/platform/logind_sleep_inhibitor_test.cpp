// The logind adapter against a fake logind on the session bus (the test program runs under
// dbus-run-session): the hold is taken with logind's arguments, and letting it go closes the
// descriptor, which the fake sees as its end of the pipe hanging up.
#include "platform/logind_sleep_inhibitor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QStringList>
#include <memory>
#include <vector>

#include "support/fake_logind.h"

namespace orvex {
namespace {

constexpr int kHangUpWaitMs = 2000;

// Qt's D-Bus wants an application object; one for the whole test program.
void EnsureApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  static int argc = 1;
  static char name[] = "orvex_platform_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

class LogindSleepInhibitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApplication();
    fake_ = std::make_unique<test::FakeLogind>();
    if (!fake_->Registered()) GTEST_SKIP() << "no session bus: run under dbus-run-session";
  }

  std::unique_ptr<LogindSleepInhibitor> Inhibitor(const QDBusConnection& bus) {
    return std::make_unique<LogindSleepInhibitor>(
        bus, [this](const QString& reason) { told_ << reason; });
  }

  std::unique_ptr<test::FakeLogind> fake_;
  QStringList told_;
};

// Held twice, logind is asked once; let go, the descriptor closes. Without a bus the run goes
// on and the reason is told once (refusals are told once as the window shows them).
TEST_F(LogindSleepInhibitorTest, HoldAsksLogindOnceAndLettingGoClosesItWithoutABusItSaysSo) {
  auto inhibitor = Inhibitor(QDBusConnection::sessionBus());
  inhibitor->Hold();
  inhibitor->Hold();
  EXPECT_EQ(fake_->Calls(),
            (std::vector<QStringList>{{"sleep:idle", "Orvex", "Cutting sheets", "block"}}));
  EXPECT_FALSE(fake_->HungUp(0, 100));
  inhibitor->Release();
  EXPECT_TRUE(fake_->HungUp(0, kHangUpWaitMs));
  EXPECT_TRUE(told_.isEmpty());

  auto noBus = Inhibitor(QDBusConnection(QStringLiteral("no such bus")));
  noBus->Hold();
  noBus->Hold();
  EXPECT_EQ(told_, QStringList{QStringLiteral("no system bus")});
}

}  // namespace
}  // namespace orvex
