// The PC's sleep held off through logind: Inhibit("sleep:idle") answers with a file descriptor,
// and the hold lasts as long as that descriptor is open. Where there is no bus, or logind says
// no, the run goes on without the hold and the caller is told why, once for the program's life.
#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QString>
#include <functional>

#include "run/sleep_inhibitor.h"

namespace orvex {

class LogindSleepInhibitor : public SleepInhibitor {
 public:
  // `bus`: the system bus in the program. `unavailable` hears the first reason a hold failed.
  LogindSleepInhibitor(QDBusConnection bus, std::function<void(const QString&)> unavailable);

  void Hold() override;
  void Release() override;

 private:
  void Tell(const QString& reason);

  QDBusConnection bus_;
  std::function<void(const QString&)> unavailable_;
  QDBusUnixFileDescriptor hold_;
  bool told_ = false;
};

}  // namespace orvex
