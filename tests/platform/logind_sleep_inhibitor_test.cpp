// The logind adapter against a fake logind on the session bus (the test program runs under
// dbus-run-session): the hold is taken with logind's arguments, and letting it go closes the
// descriptor, which the fake sees as its end of the pipe hanging up. Without a bus, or refused,
// the run goes on and the reason is told once.
#include "platform/logind_sleep_inhibitor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <memory>
#include <vector>

namespace orvex {
namespace {

const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");

// logind's Manager as far as Inhibit goes: each call answers with the write end of a new pipe
// and keeps the read end, which hangs up once every copy of the write end is closed.
class FakeLogind : public QDBusVirtualObject {
 public:
  bool refuse = false;

  ~FakeLogind() override {
    for (int fd : readEnds_) ::close(fd);
  }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != QStringLiteral("Inhibit")) return false;
    QMutexLocker lock(&mutex_);
    QStringList arguments;
    for (const QVariant& argument : message.arguments()) arguments << argument.toString();
    calls_.push_back(arguments);
    if (refuse) {
      connection.send(
          message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                                   QStringLiteral("Permission denied")));
      return true;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    readEnds_.push_back(fds[0]);
    connection.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]))));
    ::close(fds[1]);
    return true;
  }
  QString introspect(const QString& /*path*/) const override { return {}; }

  std::vector<QStringList> Calls() {
    QMutexLocker lock(&mutex_);
    return calls_;
  }
  // Whether the hold of call `index` has been let go, waiting up to `waitMs` for it.
  bool HungUp(std::size_t index, int waitMs) {
    int fd = -1;
    {
      QMutexLocker lock(&mutex_);
      if (index >= readEnds_.size()) return false;
      fd = readEnds_[index];
    }
    pollfd end{fd, POLLIN, 0};
    return ::poll(&end, 1, waitMs) == 1 && (end.revents & POLLHUP) != 0;
  }

 private:
  QMutex mutex_;
  std::vector<QStringList> calls_;
  std::vector<int> readEnds_;
};

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
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
      GTEST_SKIP() << "no session bus: run under dbus-run-session";
    }
    // The fake answers from its own thread, as logind answers from its own process, while the
    // adapter's call blocks this one.
    thread_.start();
    fake_.moveToThread(&thread_);
    service_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("logind"));
    ASSERT_TRUE(service_.registerService(kLogindService));
    ASSERT_TRUE(service_.registerVirtualObject(kLogindPath, &fake_));
  }
  void TearDown() override {
    service_.unregisterObject(kLogindPath);
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
    thread_.quit();
    thread_.wait();
  }

  std::unique_ptr<LogindSleepInhibitor> Inhibitor(QDBusConnection bus) {
    return std::make_unique<LogindSleepInhibitor>(
        bus, [this](const QString& reason) { told_ << reason; });
  }

  QThread thread_;
  FakeLogind fake_;
  QDBusConnection service_{QString()};
  QStringList told_;
};

constexpr int kHangUpWaitMs = 2000;

TEST_F(LogindSleepInhibitorTest, HoldTakesLogindsLockAndLettingGoClosesIt) {
  auto inhibitor = Inhibitor(QDBusConnection::sessionBus());
  inhibitor->Hold();
  inhibitor->Hold();  // already held: not asked for again
  ASSERT_EQ(fake_.Calls().size(), 1U);
  EXPECT_EQ(fake_.Calls()[0],
            (QStringList{QStringLiteral("sleep:idle"), QStringLiteral("Orvex"),
                         QStringLiteral("Cutting sheets"), QStringLiteral("block")}));
  EXPECT_FALSE(fake_.HungUp(0, 100));
  inhibitor->Release();
  EXPECT_TRUE(fake_.HungUp(0, kHangUpWaitMs));

  // The next run holds it again; the program's end lets it go with the adapter.
  inhibitor->Hold();
  ASSERT_EQ(fake_.Calls().size(), 2U);
  EXPECT_FALSE(fake_.HungUp(1, 100));
  inhibitor.reset();
  EXPECT_TRUE(fake_.HungUp(1, kHangUpWaitMs));
  EXPECT_TRUE(told_.isEmpty());
}

TEST_F(LogindSleepInhibitorTest, WithoutABusOrRefusedTheRunGoesOnAndSaysSoOnce) {
  auto noBus = Inhibitor(QDBusConnection(QStringLiteral("no such bus")));
  for (int run = 0; run < 2; ++run) {
    noBus->Hold();
    noBus->Release();
  }
  EXPECT_EQ(told_, QStringList{QStringLiteral("no system bus")});

  told_.clear();
  fake_.refuse = true;
  auto refused = Inhibitor(QDBusConnection::sessionBus());
  refused->Hold();
  refused->Hold();
  refused->Release();
  EXPECT_EQ(fake_.Calls().size(), 2U);  // each run asks again: logind may allow it later
  EXPECT_EQ(told_, QStringList{QStringLiteral("Permission denied")});
}

}  // namespace
}  // namespace orvex
