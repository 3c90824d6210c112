#include "platform/qsettings_profile.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvex {
namespace {

TEST(QSettingsProfileTest, AbsentKeysGiveTheCallersDefault) {
  test::TempDir dir;
  QSettingsProfile profile(QString::fromStdString(dir.File("orvex.conf").string()));
  EXPECT_EQ(profile.ReadInt(kProfileSection, "deltaX", 80), 80);
  EXPECT_EQ(profile.ReadString(kProfileSection, "LastJob", "-"), "-");
  EXPECT_FALSE(dir.Exists("orvex.conf"));  // reading never writes the defaults back
}

TEST(QSettingsProfileTest, WritesAreOnDiskForAFreshReader) {
  test::TempDir dir;
  const QString path = QString::fromStdString(dir.File("orvex.conf").string());
  {
    QSettingsProfile profile(path);
    ASSERT_TRUE(profile.WriteInt(kProfileSection, "force", 12));
    ASSERT_TRUE(profile.WriteString(kProfileSection, "LastJob", "/jobs/label sheet.eps"));
    // A second reader sees the write before the first one is gone: sync() happened.
    QSettingsProfile fresh(path);
    EXPECT_EQ(fresh.ReadInt(kProfileSection, "force", 7), 12);
    EXPECT_EQ(fresh.ReadString(kProfileSection, "LastJob", "-"), "/jobs/label sheet.eps");
  }
}

TEST(QSettingsProfileTest, AWriteThatCannotReachTheDiskReportsFailure) {
  test::TempDir dir;
  dir.Write("not-a-dir", "a plain file where the settings folder should be");
  QSettingsProfile profile(QString::fromStdString(dir.File("not-a-dir/orvex.conf").string()));
  EXPECT_FALSE(profile.WriteInt(kProfileSection, "force", 3));
}

}  // namespace
}  // namespace orvex
