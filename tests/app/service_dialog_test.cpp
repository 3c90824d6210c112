// The service settings dialog: its own defaults, Set's order and copies, Close, the unit radios
// and the firmware text.
#include "app/service_dialog.h"

#include <gtest/gtest.h>

#include "fake_views.h"

namespace orvex {
namespace {

struct Fixture : test::AppParts {
  test::FakeServiceView view;
  ServiceDialog dialog{run, store};
};

TEST(ServiceDialogTest, OpensWithItsOwnDefaultsAndTheFirmwareReadsAsTheFeederSaysIt) {
  Fixture f;
  f.run.unitFlag = 0;
  f.dialog.OnInit(f.view);
  const ServiceFields& shown = f.view.controls;
  EXPECT_EQ(std::vector<int>({shown.markSize, shown.offsetX, shown.offsetY, shown.brightness,
                              shown.slowLabelLength, shown.reorderDisabled}),
            std::vector<int>({45, 80, 99, 0, 390, 0}));
  EXPECT_EQ(f.run.unitFlag, 1);  // the stored unit comes back into effect
  EXPECT_EQ(f.view.checkedRadio, window_id::kMillimetreRadio);
  EXPECT_FALSE(f.view.visible[window_id::kSecondCameraStatic]);
  EXPECT_EQ(f.view.texts[window_id::kVersionStatic], "Version 9.8.0");
  EXPECT_EQ(f.view.caption, "- Orvex Plus 1.0 - ");  // no branding title

  // Opened again with the second camera, inches stored and a branding title.
  f.run.secondCamera = 1;
  f.run.customTitleRead = true;
  f.run.customTitle = "Kite";
  f.profile.WriteInt(kProfileSection, key::kUm, 0);
  f.dialog.OnInit(f.view);
  EXPECT_EQ(f.view.controls.offsetX, 180);
  EXPECT_TRUE(f.view.visible[window_id::kSecondCameraStatic]);
  EXPECT_EQ(f.view.checkedRadio, window_id::kInchRadio);
  EXPECT_EQ(f.view.caption, "Kite");

  // What a right press shows (the service window's test presses it).
  EXPECT_EQ(FirmwareText(34) + FirmwareText(36) + FirmwareText(37), "FW:naFW:36H37H");
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
  EXPECT_EQ(std::vector<int>({f.run.cameraOffsetX, f.run.cameraOffsetY, f.run.markSize,
                              f.run.reverseOrder, f.run.bigLabel}),
            std::vector<int>({171, 95, 60, 1, 500}));
  EXPECT_DOUBLE_EQ(f.run.markScale, 4.0 / 60);  // a calibration right after uses it
}

// Set and Close both check the mark size; Close keeps the unit for the run but writes nothing.
TEST(ServiceDialogTest, MarkSizeRangeIsCheckedBySetAndCloseAndCloseWritesNothing) {
  for (auto [size, inRange] : {std::pair{39, false}, {40, true}, {180, true}, {181, false}}) {
    SCOPED_TRACE(size);
    Fixture f;
    f.dialog.OnInit(f.view);
    f.view.typed = [size = size](ServiceFields& c) { c.markSize = size; };
    f.dialog.OnSet(f.view);
    EXPECT_EQ(f.view.closed, inRange);
    EXPECT_EQ(f.profile.ReadInt(kProfileSection, key::kMpix, 0), inRange ? size : 0);
    if (inRange) continue;
    EXPECT_EQ(f.view.rangeMessages.back(), (std::vector<int>{1013, 40, 180}));
    f.dialog.OnClose(f.view);
    EXPECT_FALSE(f.view.closed);
  }
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

}  // namespace
}  // namespace orvex
