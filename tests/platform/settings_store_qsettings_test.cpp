// The settings store over the QSettings adapter and a real settings file: what Start, close and
// the service dialog write is in the file for a reader that starts from scratch.
#include <QSettings>
#include <gtest/gtest.h>

#include "app/service_dialog.h"
#include "app/settings_store.h"
#include "platform/qsettings_profile.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

TEST(SettingsStoreOnQSettingsTest, WritesReachTheFileInTheControlCutGroup) {
  test::TempDir dir;
  const QString path = QString::fromStdString(dir.File("orvex.conf").string());
  RunContext run;
  MainWindowFields fields;
  {
    QSettingsProfile profile(path);
    SettingsStore store(profile);
    store.LoadStartupOffsets(run);
    store.LoadStartupRest(run, fields);
    EXPECT_EQ(run.cameraOffsetY, 111);
    EXPECT_EQ(fields.lastJob, "-");
    EXPECT_FALSE(dir.Exists("orvex.conf"));

    run.currentJobPath = "/home/op/jobs/sheet 1.eps";
    fields.firstMarker = 52.7;
    fields.uplift = -7;
    store.WriteAtStart(run, fields);
    store.WriteAtClose(fields);
    ServiceSettings service = store.ReadForServiceDialog(run);
    service.markSize = 120;
    store.WriteServiceSet(run, service);
  }
  // A plain QSettings on the same file, as another process would read it.
  QSettings raw(path, QSettings::IniFormat);
  EXPECT_EQ(raw.value("ControlCut/hetichetta").toInt(), 52);
  EXPECT_EQ(raw.value("ControlCut/LastJob").toString().toStdString(), "/home/op/jobs/sheet 1.eps");
  EXPECT_EQ(raw.value("ControlCut/mpix").toInt(), 120);

  QSettingsProfile fresh(path);
  SettingsStore store(fresh);
  RunContext again;
  MainWindowFields shown;
  store.LoadStartupOffsets(again);
  store.LoadStartupRest(again, shown);
  EXPECT_EQ(shown.firstMarker, 52.0);
  EXPECT_EQ(shown.uplift, -7);
  EXPECT_EQ(shown.lastJob, "/home/op/jobs/sheet 1.eps");
  EXPECT_EQ(again.markSize, 120);
  EXPECT_EQ(again.cameraOffsetX, 80);  // written by Start, unchanged value
}

}  // namespace
}  // namespace orvex
