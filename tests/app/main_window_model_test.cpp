// The main window's life cycle: initialisation, the deferred set-up on the eleventh tick, the close
// request, and a cutter status read in flight across start-up.
#include <gtest/gtest.h>

#include "main_window_fixture.h"

namespace orvex::test {
namespace {

using namespace window_id;

TEST_F(MainWindowModelTest, InitialisationFillsTheCombosAndLeavesTheWindowReadyButIdle) {
  EXPECT_EQ(view.comboEntries[kMarkModeCombo].size(), 4U);
  EXPECT_EQ(view.comboEntries[kSpecialModeCombo],
            (std::vector<std::string>{"Dashed line", "Half Cutting", "Blade creasing"}));
  for (int combo : {kMarkModeCombo, kPassCombo, kSpecialModeCombo, kMultipleCombo}) {
    EXPECT_EQ(view.selections[combo], 0) << combo;
  }
  EXPECT_EQ(view.menuItem, "&About Orvex...");
  EXPECT_FALSE(model->State(kStartButton).enabled);
  EXPECT_FALSE(model->State(kCopiesEdit).enabled);
  EXPECT_FALSE(model->State(kMarkModeCombo).shown);
  EXPECT_FALSE(model->State(kCycleButton).shown);  // no testc.dat
  EXPECT_EQ(view.icons[kUpButton], "icon145/48");
  // The values shown were the program's own: nothing was loaded, no dialog asked for a file.
  EXPECT_EQ(view.fileDialogs, 0);
  EXPECT_EQ(canvas.clears, 0);
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(MainWindowModelTest, DeferredSetUpRunsOnceOnTheTenthTick) {
  for (int tick = 1; tick <= 9; ++tick) model->OnTimer();
  EXPECT_NE(view.texts[kFirstMarkerCaption], "First Marker");
  EXPECT_TRUE(camera.log.empty());
  model->OnTimer();
  EXPECT_EQ(view.texts[kFirstMarkerCaption], "First Marker");
  EXPECT_EQ(view.texts[kCalibrationButton], "Calibration");
  EXPECT_EQ(view.texts.count(kUnitLabelFirstMarker), 0U);  // millimetres: nothing converted
  EXPECT_EQ(run.unitFactor, 1.0);
  EXPECT_EQ(camera.log, (std::vector<std::string>{"B-10/1"}));
  for (int tick = 0; tick < 20; ++tick) model->OnTimer();
  EXPECT_EQ(camera.log.size(), 1U);
}

TEST_F(MainWindowModelTest, CloseWritesUpliftAndInsertionAndWaitsDuringRegistration) {
  view.texts[kUpliftEdit] = "12";
  view.texts[kInsertionEdit] = "34";
  profile.ClearWriteLog();
  EXPECT_TRUE(model->OnCloseRequest());
  EXPECT_EQ(profile.WriteLog(), (std::vector<std::string>{"discesa", "inser"}));
  EXPECT_EQ(profile.ReadInt(kProfileSection, "discesa", 0), 12);
  EXPECT_EQ(profile.ReadInt(kProfileSection, "inser", 0), 34);

  run.waitingForMark = 1;
  view.texts[kUpliftEdit] = "13";
  EXPECT_FALSE(model->OnCloseRequest());
  EXPECT_EQ(run.exitRequested, 1);
  EXPECT_EQ(run.waitingForMark, 0);
  EXPECT_EQ(profile.ReadInt(kProfileSection, "discesa", 0), 13);
}

// Start-up clears the status read's record; a read still in flight is not forgotten, or its
// reply would land later in a buffer the run loop no longer expects to change.
TEST_F(MainWindowModelTest, StartUpKeepsAStatusReadInFlightAndItsReplyStillLands) {
  run.cutterPath = "\\\\?\\usb#vid_0b4d&pid_1130#1";
  cutterTransport.devices = {run.cutterPath};
  ASSERT_EQ(link.ReadCutterStatus(), 0);
  ASSERT_TRUE(link.StatusReadOutstanding());
  Build();
  EXPECT_TRUE(link.StatusReadOutstanding());
  EXPECT_EQ(cutterTransport.OpenHandles().size(), 1U);
  cutterTransport.Reply(std::string("\t0\x03", 3));
  link.PumpStatusRead();
  EXPECT_EQ(run.cutterStatus[0], '\t');
  EXPECT_TRUE(cutterTransport.OpenHandles().empty());
  EXPECT_EQ(cutterTransport.misuse, 0);
}

}  // namespace
}  // namespace orvex::test
