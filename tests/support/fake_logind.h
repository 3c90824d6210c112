// logind's Manager as far as Inhibit goes, on the session bus of a test run under
// dbus-run-session. Each Inhibit answers with the write end of a new pipe and keeps the read
// end, which hangs up once every copy of the write end is closed: the hold has been let go.
// It answers from its own thread, as logind answers from its own process, while the caller's
// call blocks the test's thread. Header only: just the Qt tests include it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <cstddef>
#include <vector>

namespace orvex::test {

class FakeLogind : public QDBusVirtualObject {
 public:
  // Registers as org.freedesktop.login1 on a session-bus connection of its own; Registered()
  // says whether that worked (no session bus: it did not).
  FakeLogind() {
    thread_.start();
    moveToThread(&thread_);
    bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kConnection);
    registered_ = bus_.isConnected() &&
                  bus_.registerService(QStringLiteral("org.freedesktop.login1")) &&
                  bus_.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), this);
  }
  ~FakeLogind() override {
    bus_.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    bus_.unregisterService(QStringLiteral("org.freedesktop.login1"));
    QDBusConnection::disconnectFromBus(kConnection);
    thread_.quit();
    thread_.wait();
    for (int fd : readEnds_) ::close(fd);
  }
  FakeLogind(const FakeLogind&) = delete;
  FakeLogind& operator=(const FakeLogind&) = delete;

  bool Registered() const { return registered_; }
  // Inhibit answered with logind's "access denied" from now on.
  void Refuse() { refuse_ = true; }

  // The arguments of every Inhibit call so far.
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

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != QStringLiteral("Inhibit")) return false;
    QMutexLocker lock(&mutex_);
    QStringList arguments;
    for (const QVariant& argument : message.arguments()) arguments << argument.toString();
    calls_.push_back(arguments);
    if (refuse_) {
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

 private:
  static inline const QString kConnection = QStringLiteral("fake-logind");

  QThread thread_;
  QDBusConnection bus_{QString()};
  bool registered_ = false;
  std::atomic<bool> refuse_ = false;
  QMutex mutex_;
  std::vector<QStringList> calls_;
  std::vector<int> readEnds_;
};

}  // namespace orvex::test
