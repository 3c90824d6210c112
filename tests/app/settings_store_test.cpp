// The settings store: defaults per reading place, the writers and their conditions, the active
// camera pair, the mark size at the sheet start, and the first-marker distance across restarts.
#include "app/settings_store.h"

#include <gtest/gtest.h>

#include "app/startup.h"
#include "fake_views.h"

namespace orvex {
namespace {

using Log = std::vector<std::string>;

struct Machine : test::AppParts {
  void StartUp() {
    run = RunContext{};
    fields = MainWindowFields{};
    test::FakePdf pdf;
    Startup(run, fields, view, store, workDir).Initialise(pdf);
  }
};

// The defaults of a fresh profile that no run transcript shows, one golden list (the camera pair,
// the forces, the first marker and the dashed line's reach the wire); a fresh profile stays
// empty, and a stored mark size below forty is replaced at start-up.
TEST(SettingsStoreTest, FreshProfileGivesTheWindowItsDefaultsAndStaysEmpty) {
  using F = MainWindowFields;
  const std::pair<int F::*, int> shown[] = {
      {&F::specialCutLength, 30}, {&F::specialUpLength, 20}, {&F::dashForce, 14},
      {&F::specialSpeed, 12},     {&F::copies, 1},           {&F::spacing, 5}};
  Machine m;
  m.StartUp();
  for (auto [member, value] : shown) EXPECT_EQ(m.view.controls.*member, value);
  EXPECT_TRUE(m.profile.WriteLog().empty());
  for (auto [stored, used] : {std::pair{39, 46}, {40, 40}}) {
    m.profile.WriteInt(kProfileSection, key::kMpix, stored);
    m.StartUp();
    EXPECT_EQ(m.run.markSize, used);
  }
}

TEST(SettingsStoreTest, StartAndCalibrationWriteTheActivePairAndStartOnlyLengthsInRange) {
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
  EXPECT_EQ(std::vector<int>({m.profile.ReadInt(kProfileSection, "deltaX", 0),
                              m.profile.ReadInt(kProfileSection, "deltaY", 0),
                              m.profile.ReadInt(kProfileSection, "hetichetta", 0)}),
            std::vector<int>({83, 109, 19}));
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

  // Calibration writes the active pair too, Y first for the first camera.
  m.profile.ClearWriteLog();
  m.store.WriteCalibration(m.run, 181, 98);
  m.run.secondCamera = 0;
  m.store.WriteCalibration(m.run, 91, 102);
  EXPECT_EQ(m.profile.WriteLog(), (Log{"deltaXC2", "deltaYC2", "deltaY", "deltaX"}));
  EXPECT_EQ((OffsetPair{m.run.cameraOffsetX, m.run.cameraOffsetY}), (OffsetPair{91, 102}));

  // One refused key is enough for the window to say the settings were not saved.
  m.profile.FailWrites(true);
  EXPECT_FALSE(m.store.WriteAtStart(m.run, m.fields));
}

// The first marker in inch display shows in a run transcript row and its recent.dat line; here
// the labels, the settings Start writes, and hostile values.
TEST(SettingsStoreTest, InchDisplayKeepsTheFirstMarkerDistanceAcrossRestarts) {
  Machine m;
  m.profile.WriteInt(kProfileSection, key::kUm, 0);
  m.StartUp();
  Startup(m.run, m.fields, m.view, m.store, m.workDir).DeferredSetup();
  m.store.WriteAtStart(m.run, m.fields);
  EXPECT_EQ(m.profile.ReadInt(kProfileSection, key::kHetichetta, 0), 45);
  EXPECT_EQ(m.view.texts[window_id::kUnitLabelFirstMarker] + " " +
                m.view.texts[window_id::kUnitLabelCutterWidth],
            "inch inch");
  EXPECT_EQ(StoredFirstMarker(1e300, 25.4), 2147483647);
  EXPECT_EQ(StoredFirstMarker(-1e300, 1.0), -2147483647 - 1);
}

}  // namespace
}  // namespace orvex
