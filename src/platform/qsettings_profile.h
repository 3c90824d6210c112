// The Profile port over QSettings: organisation "Kvo", application "orvex", group "ControlCut".
// Every write outside a batch is synced at once and its status checked, so a write that returns
// true is on disk; a batch is synced once, when it ends. A lock file left by a writer that was
// killed is taken as stale after a moment instead of QLockFile's default 30 seconds.
#pragma once

#include <QSettings>
#include <memory>

#include "core/profile.h"

namespace orvex {

class QSettingsProfile : public Profile {
 public:
  // The user's own profile.
  QSettingsProfile();
  // A settings file of its own (orvex-cli --settings, tests).
  explicit QSettingsProfile(const QString& iniPath);

  int ReadInt(std::string_view section, std::string_view key, int defaultValue) override;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) override;
  bool WriteInt(std::string_view section, std::string_view key, int value) override;
  bool WriteString(std::string_view section, std::string_view key,
                   std::string_view value) override;

  void BeginBatch() override { ++batchDepth_; }
  bool EndBatch() override;
  std::string WriteFailure() const override { return failure_; }

  // Where the settings are kept on disk.
  QString FilePath() const { return settings_->fileName(); }

 private:
  bool Write(std::string_view section, std::string_view key, const QVariant& value);
  bool Sync();
  std::unique_ptr<QSettings> settings_;
  int batchDepth_ = 0;
  std::string failure_;
};

}  // namespace orvex
