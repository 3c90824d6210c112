// The service settings dialog: its own defaults, Set's order and copies, Close, the unit radios
// and the firmware text.
#include "app/service_dialog.h"

#include <gtest/gtest.h>

#include "fake_views.h"
#include "support/memory_profile.h"

namespace orvex {
namespace {

struct Fixture {
  test::MemoryProfile profile;
  SettingsStore store{profile};
  RunContext run;
  test::FakeServiceView view;
  ServiceDialog dialog{run, store};
};

TEST(ServiceDialogTest, OpensWithItsOwnDefaults) {
  Fixture f;
  f.run.unitFlag = 0;
  f.dialog.OnInit(f.view);
  EXPECT_EQ(f.view.controls.markSize, 45);
  EXPECT_EQ(f.view.controls.offsetX, 80);
  EXPECT_EQ(f.view.controls.offsetY, 99);
  EXPECT_EQ(f.view.controls.brightness, 0);
  EXPECT_EQ(f.view.controls.slowLabelLength, 390);
  EXPECT_EQ(f.view.controls.reorderDisabled, 0);
  EXPECT_EQ(f.run.unitFlag, 1);  // the stored unit comes back into effect
  EXPECT_EQ(f.view.checkedRadio, window_id::kMillimetreRadio);
  EXPECT_FALSE(f.view.visible[window_id::kSecondCameraStatic]);
  EXPECT_EQ(f.view.texts[window_id::kVersionStatic], "Version 9.8.0");
  EXPECT_EQ(f.view.caption, "- Orvex Plus 1.0 - ");  // no branding title

  Fixture c2;
  c2.run.secondCamera = 1;
  c2.run.customTitleRead = true;
  c2.run.customTitle = "Kite";
  c2.profile.WriteInt(kProfileSection, key::kUm, 0);
  c2.dialog.OnInit(c2.view);
  EXPECT_EQ(c2.view.controls.offsetX, 180);
  EXPECT_TRUE(c2.view.visible[window_id::kSecondCameraStatic]);
  EXPECT_EQ(c2.view.checkedRadio, window_id::kInchRadio);
  EXPECT_EQ(c2.view.caption, "Kite");
}

TEST(ServiceDialogTest, SetWritesInOrderAndCopiesIntoTheRun) {
  Fixture f;
  f.run.secondCamera = 1;
  f.profile.WriteInt(kProfileSection, key::kDeltaX, 77);
  f.dialog.OnInit(f.view);
  f.profile.ClearWriteLog();
  f.dialog.OnInches();
  f.view.typed = [](ServiceFields& c) {
    c.markSize = 60;
    c.offsetX = 171;
    c.offsetY = 95;
    c.reorderDisabled = 1;
    c.slowLabelLength = 500;
  };
  f.dialog.OnSet(f.view);
  EXPECT_TRUE(f.view.closed);
  EXPECT_EQ(f.profile.WriteLog(), (std::vector<std::string>{"mpix", "lum", "bigLabel", "deltaXC2",
                                                            "deltaYC2", "um", "reverse"}));
  EXPECT_EQ(f.profile.ReadInt(kProfileSection, key::kUm, 1), 0);
  EXPECT_EQ(f.profile.ReadInt(kProfileSection, key::kDeltaX, 0), 77);
  EXPECT_EQ(f.run.cameraOffsetX, 171);
  EXPECT_EQ(f.run.cameraOffsetY, 95);
  EXPECT_EQ(f.run.markSize, 60);
  EXPECT_DOUBLE_EQ(f.run.markScale, 4.0 / 60);  // a calibration right after uses it
  EXPECT_EQ(f.run.reverseOrder, 1);
  EXPECT_EQ(f.run.bigLabel, 500);
}

TEST(ServiceDialogTest, MarkSizeRangeIsCheckedBySetAndClose) {
  for (int size : {39, 181}) {
    Fixture f;
    f.dialog.OnInit(f.view);
    f.view.typed = [size](ServiceFields& c) { c.markSize = size; };
    f.dialog.OnSet(f.view);
    EXPECT_FALSE(f.view.closed);
    EXPECT_TRUE(f.profile.WriteLog().empty());
    EXPECT_EQ(f.view.rangeMessages.back(), (std::vector<int>{1013, 40, 180}));
    f.dialog.OnClose(f.view);
    EXPECT_FALSE(f.view.closed);
  }
  for (int size : {40, 180}) {
    Fixture f;
    f.dialog.OnInit(f.view);
    f.view.typed = [size](ServiceFields& c) { c.markSize = size; };
    f.dialog.OnSet(f.view);
    EXPECT_TRUE(f.view.closed);
    EXPECT_EQ(f.profile.ReadInt(kProfileSection, key::kMpix, 0), size);
  }
}

TEST(ServiceDialogTest, CloseKeepsTheUnitForTheRunButWritesNothing) {
  Fixture f;
  f.dialog.OnInit(f.view);
  f.dialog.OnInches();
  f.view.typed = [](ServiceFields& c) { c.offsetX = 1; };
  f.dialog.OnClose(f.view);
  EXPECT_TRUE(f.view.closed);
  EXPECT_EQ(f.run.unitFlag, 0);
  EXPECT_EQ(f.run.cameraOffsetX, 0);
  EXPECT_TRUE(f.profile.WriteLog().empty());
}

TEST(ServiceDialogTest, FirmwareText) {
  EXPECT_EQ(FirmwareText(34), "FW:na");
  EXPECT_EQ(FirmwareText(36), "FW:36H");
  Fixture f;
  f.dialog.OnRightButton(f.view, 37);
  EXPECT_TRUE(f.view.visible[window_id::kFirmwareStatic]);
  EXPECT_EQ(f.view.texts[window_id::kFirmwareStatic], "37H");
}

}  // namespace
}  // namespace orvex
