#include "platform/logind_sleep_inhibitor.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <utility>

namespace orvex {

namespace {
// logind answers at once; a bus that does not answer must not freeze the window at Start.
constexpr int kInhibitTimeoutMs = 3000;
}  // namespace

LogindSleepInhibitor::LogindSleepInhibitor(QDBusConnection bus,
                                           std::function<void(const QString&)> unavailable)
    : bus_(std::move(bus)), unavailable_(std::move(unavailable)) {}

void LogindSleepInhibitor::Hold() {
  if (hold_.isValid()) return;
  if (!bus_.isConnected()) {
    Tell(QStringLiteral("no system bus"));
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep:idle") << QStringLiteral("Orvex")
       << QStringLiteral("Cutting sheets") << QStringLiteral("block");
  const QDBusReply<QDBusUnixFileDescriptor> reply =
      bus_.call(call, QDBus::Block, kInhibitTimeoutMs);
  if (!reply.isValid()) {
    Tell(reply.error().message());
    return;
  }
  if (!reply.value().isValid()) {
    Tell(QStringLiteral("the bus passes no file descriptors"));
    return;
  }
  hold_ = reply.value();
}

void LogindSleepInhibitor::Release() {
  // The last copy of the descriptor closes with it, and logind drops the hold.
  hold_ = QDBusUnixFileDescriptor();
}

void LogindSleepInhibitor::Tell(const QString& reason) {
  if (told_) return;
  told_ = true;
  if (unavailable_) unavailable_(reason);
}

}  // namespace orvex
