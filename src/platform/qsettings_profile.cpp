#include "platform/qsettings_profile.h"

#include <QFileInfo>
#include <QLockFile>

#include "core/atomic_file.h"

namespace orvex {
namespace {

// A settings write takes its lock for milliseconds; a lock older than this was left by a writer
// that was killed before it could note its process id (an empty lock file), which QLockFile
// would otherwise wait 30 seconds to call stale.
constexpr int kStaleLockMs = 1000;
// Longer than kStaleLockMs, so a stale lock is always cleared before giving up.
constexpr int kLockWaitMs = 5000;

QString KeyPath(std::string_view section, std::string_view key) {
  return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + "/" +
         QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

QSettingsProfile::QSettingsProfile()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            "Kvo", "orvex")) {}

QSettingsProfile::QSettingsProfile(const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {}

int QSettingsProfile::ReadInt(std::string_view section, std::string_view key, int defaultValue) {
  QVariant value = settings_->value(KeyPath(section, key));
  if (!value.isValid()) return defaultValue;
  bool ok = false;
  int number = value.toInt(&ok);
  return ok ? number : defaultValue;
}

std::string QSettingsProfile::ReadString(std::string_view section, std::string_view key,
                                         std::string_view defaultValue) {
  QVariant value = settings_->value(KeyPath(section, key));
  if (!value.isValid()) return std::string(defaultValue);
  return value.toString().toStdString();
}

bool QSettingsProfile::WriteInt(std::string_view section, std::string_view key, int value) {
  return Write(section, key, value);
}

bool QSettingsProfile::WriteString(std::string_view section, std::string_view key,
                                   std::string_view value) {
  return Write(section, key,
               QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

bool QSettingsProfile::Write(std::string_view section, std::string_view key,
                             const QVariant& value) {
  settings_->setValue(KeyPath(section, key), value);
  if (batchDepth_ > 0) return true;
  return Sync();
}

bool QSettingsProfile::EndBatch() {
  if (batchDepth_ == 0 || --batchDepth_ > 0) return true;
  return Sync();
}

bool QSettingsProfile::Sync() {
  // QSettings locks the file with its own QLockFile and the default stale time; clearing a stale
  // lock first (take it, let it go) keeps that one from waiting on a dead writer.
  QLockFile lock(settings_->fileName() + ".lock");
  lock.setStaleLockTime(kStaleLockMs);
  if (lock.tryLock(kLockWaitMs)) lock.unlock();
  settings_->sync();
  if (settings_->status() == QSettings::NoError) return true;
  // QSettings tells only that the write failed; a probe of its folder finds the system's reason
  // (a full disk, a read-only one, no permission).
  const FileFailure probe =
      ProbeWritable(QFileInfo(settings_->fileName()).absolutePath().toStdString());
  failure_ = settings_->fileName().toStdString() + "\n" +
             (probe.Failed() ? probe.Reason() : std::string("the file could not be written"));
  return false;
}

}  // namespace orvex
