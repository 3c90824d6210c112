#include "platform/qsettings_profile.h"

namespace orvex {
namespace {

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
  settings_->sync();
  return settings_->status() == QSettings::NoError;
}

}  // namespace orvex
