// The settings store: defaults per reading place, the writers and their conditions, the active
// camera pair, the mark size at the sheet start, and the first-marker distance across restarts.
#include "app/settings_store.h"

#include <gtest/gtest.h>

#include "app/startup.h"
#include "fake_views.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

using Log = std::vector<std::string>;

struct Machine {
  test::MemoryProfile profile;
  SettingsStore store{profile};
  RunContext run;
  MainWindowFields fields;
  test::FakeMainView view;
  test::TempDir dir;
  WorkDir workDir{dir.Path()};
  test::FakePdf pdf;

  void StartUp() {
    run = RunContext{};
    fields = MainWindowFields{};
    Startup(run, fields, view, store, workDir).Initialise(pdf);
  }
};

TEST(SettingsStoreTest, FreshProfileGivesEachReaderItsOwnDefaultsAndStaysEmpty) {
  Machine m;
  m.StartUp();
  EXPECT_EQ(m.run.cameraOffsetX, 80);
  EXPECT_EQ(m.run.cameraOffsetY, 111);
  EXPECT_EQ(m.run.defaultSpeed, 50);
  EXPECT_EQ(m.run.markSize, 46);
  EXPECT_DOUBLE_EQ(m.run.markScale, 4.0 / 46);
  EXPECT_EQ(m.run.bigLabel, 390);
  EXPECT_EQ(m.run.unitFlag, 1);
  const MainWindowFields& f = m.view.controls;  // what the window shows
  EXPECT_EQ(f.firstMarker, 45.0);
  EXPECT_EQ(f.cutForce, 7);
  EXPECT_EQ(f.dashCutLength, 360);
  EXPECT_EQ(f.dashUpLength, 5);
  EXPECT_EQ(f.specialCutLength, 30);
  EXPECT_EQ(f.specialUpLength, 20);
  EXPECT_EQ(f.dashForce, 14);
  EXPECT_EQ(f.specialForce, 7);
  EXPECT_EQ(f.dashSpeed, 10);
  EXPECT_EQ(f.specialSpeed, 12);
  EXPECT_EQ(f.copies, 1);
  EXPECT_EQ(f.spacing, 5);
  EXPECT_EQ(m.view.texts[window_id::kLastJobLine], "-");

  m.store.LoadOffsetsForCutTest(m.run);
  EXPECT_EQ(m.run.cameraOffsetX, 180);
  EXPECT_EQ(m.run.cameraOffsetY, 99);

  EXPECT_TRUE(m.profile.WriteLog().empty());  // defaults are never written back
}

TEST(SettingsStoreTest, MarkSizeBelowFortyIsReplacedAtStartUp) {
  Machine m;
  m.profile.WriteInt(kProfileSection, key::kMpix, 39);
  m.StartUp();
  EXPECT_EQ(m.run.markSize, 46);
  m.profile.WriteInt(kProfileSection, key::kMpix, 40);
  m.StartUp();
  EXPECT_EQ(m.run.markSize, 40);
}

TEST(SettingsStoreTest, StartWritesTheActivePairAndOnlyLengthsInRange) {
  Machine m;
  m.StartUp();
  m.run.currentJobPath = "/jobs/spring labels.eps";
  m.fields = m.view.controls;
  m.fields.xCorrection = 3;
  m.fields.yCorrection = -2;
  m.fields.dashCutLength = 1000;
  m.fields.dashUpLength = 100;
  m.fields.firstMarker = 19.9;
  EXPECT_TRUE(m.store.WriteAtStart(m.run, m.fields));
  EXPECT_EQ(m.profile.WriteLog(),
            (Log{"deltaX", "deltaY", "hetichetta", "force", "LastJob", "kAlto"}));
  EXPECT_EQ(m.profile.ReadInt(kProfileSection, "deltaX", 0), 83);
  EXPECT_EQ(m.profile.ReadInt(kProfileSection, "deltaY", 0), 109);
  EXPECT_EQ(m.profile.ReadInt(kProfileSection, "hetichetta", 0), 19);
  EXPECT_EQ(m.profile.ReadString(kProfileSection, "LastJob", ""), "/jobs/spring labels.eps");

  m.profile.ClearWriteLog();
  m.fields.dashCutLength = 999;
  m.fields.dashUpLength = 99;
  m.run.secondCamera = 1;
  m.store.WriteAtStart(m.run, m.fields);
  EXPECT_EQ(m.profile.WriteLog(), (Log{"deltaXC2", "deltaYC2", "hetichetta", "force", "LastJob",
                                       "Ltaglio", "dente", "kAlto"}));
  EXPECT_EQ(m.profile.ReadInt(kProfileSection, "deltaX", 0), 83);  // first pair untouched

  m.profile.ClearWriteLog();
  m.run.markMode = 2;
  m.store.WriteAtStart(m.run, m.fields);
  EXPECT_EQ(m.profile.WriteLog().front(), "hetichetta");

  // One refused key is enough for the window to say the settings were not saved.
  m.profile.FailWrites(true);
  EXPECT_FALSE(m.store.WriteAtStart(m.run, m.fields));
}

TEST(SettingsStoreTest, InchDisplayKeepsTheFirstMarkerDistanceAcrossRestarts) {
  Machine m;
  m.profile.WriteInt(kProfileSection, key::kUm, 0);
  m.profile.WriteInt(kProfileSection, key::kHetichetta, 45);
  for (int restart = 0; restart < 10; ++restart) {
    m.StartUp();
    Startup(m.run, m.fields, m.view, m.store, m.workDir).DeferredSetup();
    EXPECT_DOUBLE_EQ(m.fields.firstMarker, 1.77) << "restart " << restart;
    m.store.WriteAtStart(m.run, m.fields);
    EXPECT_EQ(m.profile.ReadInt(kProfileSection, key::kHetichetta, 0), 45);
  }
  EXPECT_EQ(m.view.texts[window_id::kUnitLabelFirstMarker], "inch");
  EXPECT_EQ(m.view.texts[window_id::kUnitLabelCutterWidth], "inch");
  EXPECT_EQ(m.run.unitFactor, 25.4);
  // Hostile values in the real field do not overflow the stored integer.
  EXPECT_EQ(StoredFirstMarker(1e300, 25.4), 2147483647);
  EXPECT_EQ(StoredFirstMarker(-1e300, 1.0), -2147483647 - 1);
}

TEST(SettingsStoreTest, CalibrationWritesTheActivePairInItsOrder) {
  Machine m;
  m.store.WriteCalibration(m.run, 91, 102);
  m.run.secondCamera = 1;
  m.store.WriteCalibration(m.run, 181, 98);
  EXPECT_EQ(m.profile.WriteLog(), (Log{"deltaY", "deltaX", "deltaXC2", "deltaYC2"}));
  EXPECT_EQ(m.run.cameraOffsetX, 181);
  EXPECT_EQ(m.run.cameraOffsetY, 98);
}

}  // namespace
}  // namespace orvex
