// Calibration: the conversion, the mode, the dialog model's tick and Set, and the stored pair.
#include "vision/calibration.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/memory_profile.h"

namespace orvex::test {
namespace {

TEST(Calibration, ConversionOfAReadSquare) {
  EXPECT_EQ(ConvertCalibrationRead(320.0F, 240.0F, 4.0 / 46.0), (OffsetPair{65, 80}));
  EXPECT_EQ(ConvertCalibrationRead(343.5F, 263.5F, 4.0 / 46.0), (OffsetPair{85, 59}));
  // A failed read converts (0, 0): negative X below mpix 150, a positive pair from 150 on.
  EXPECT_LE(ConvertCalibrationRead(0.0F, 0.0F, 4.0 / 149.0).x, 0);
  EXPECT_EQ(ConvertCalibrationRead(0.0F, 0.0F, 4.0 / 150.0), (OffsetPair{1, 165}));
  EXPECT_EQ(ConvertCalibrationRead(0.0F, 0.0F, 4.0 / 180.0), (OffsetPair{11, 151}));
}

TEST(Calibration, Mode) {
  EXPECT_EQ(CalibrationMode(0, 500, 0), 1);
  EXPECT_EQ(CalibrationMode(0, 601, 0), 3);
  EXPECT_EQ(CalibrationMode(1, 700, 0), 2);
  EXPECT_EQ(CalibrationMode(1, 700, 2), 4);
  EXPECT_EQ(CalibrationMode(0, 700, 1), 3);
}

class FakeView : public CalibrationView {
 public:
  void ShowValues(OffsetPair current, OffsetPair fresh) override {
    shownCurrent = current;
    shownFresh = fresh;
    ++refreshes;
  }
  bool ReadNewValues(OffsetPair& fresh) override {
    if (!typed) return true;
    fresh = *typed;
    return true;
  }
  void SetCaption(std::string_view text) override { caption = text; }
  void ShowCameraTwoLabel() override { cameraTwo = true; }
  void Close(bool ok) override { closed = ok ? 1 : 2; }

  OffsetPair shownCurrent;
  OffsetPair shownFresh;
  int refreshes = 0;
  std::optional<OffsetPair> typed;
  std::string caption;
  bool cameraTwo = false;
  int closed = 0;
};

class FakeCommands : public CalibrationCommands {
 public:
  void SendCutterCommand(int number) override { commands.push_back(number); }
  void StartCalibrationRead() override { ++reads; }
  std::vector<int> commands;
  int reads = 0;
};

TEST(CalibrationDialog, MeasurementShownOnceThenTheOperatorsTypingStands) {
  FakeView view;
  FakeCommands commands;
  CalibrationDialogModel dialog(view, commands);
  dialog.Prepare({80, 99}, 1);
  dialog.Start();
  EXPECT_EQ(view.shownCurrent, (OffsetPair{80, 99}));
  dialog.OnTick();
  EXPECT_EQ(view.refreshes, 1);  // nothing measured yet: nothing refreshed

  dialog.OnCutMarker();
  dialog.OnReadMarker();
  EXPECT_EQ(commands.commands, std::vector<int>{130});
  EXPECT_EQ(commands.reads, 1);
  dialog.OnCalibrationRead({85, 59});
  dialog.OnTick();
  EXPECT_EQ(view.shownFresh, (OffsetPair{85, 59}));
  const int refreshes = view.refreshes;
  dialog.OnTick();
  dialog.OnTick();
  EXPECT_EQ(view.refreshes, refreshes);  // typing into the edits is not overwritten

  view.typed = OffsetPair{90, 60};
  dialog.OnSet();
  EXPECT_EQ(view.closed, 1);
  EXPECT_EQ(dialog.Result(), (OffsetPair{90, 60}));
}

TEST(CalibrationDialog, WideAndCreasingModesAddToY) {
  for (const auto& [mode, added] : {std::pair{3, 1650}, std::pair{4, 250}, std::pair{2, 0}}) {
    FakeView view;
    FakeCommands commands;
    CalibrationDialogModel dialog(view, commands);
    dialog.Prepare({80, 99}, mode);
    dialog.Start();
    dialog.OnCalibrationRead({70, 75});
    dialog.OnTick();
    EXPECT_EQ(view.shownFresh, (OffsetPair{70, 75 + added})) << mode;
    EXPECT_EQ(view.cameraTwo, mode == 2);
    if (mode == 2) {
      EXPECT_EQ(view.caption, kCalibrationCameraTwoCaption);
    }
  }
}

TEST(CalibrationDialog, SetKeepsTheCurrentPairWhenANewValueIsZero) {
  FakeView view;
  FakeCommands commands;
  CalibrationDialogModel dialog(view, commands);
  dialog.Prepare({80, 99}, 1);
  dialog.Start();
  dialog.OnCalibrationRead({85, 59});
  dialog.OnTick();
  view.typed = OffsetPair{0, 59};
  dialog.OnSet();
  EXPECT_EQ(dialog.Result(), (OffsetPair{80, 99}));

  // A new opening shows the previous measurement; Set at once takes it.
  view.typed.reset();
  dialog.Prepare({80, 99}, 1);
  dialog.Start();
  EXPECT_EQ(view.shownFresh, (OffsetPair{0, 59}));
  dialog.OnCalibrationRead({85, 59});
  dialog.OnTick();
  dialog.Prepare({80, 99}, 1);
  dialog.Start();
  EXPECT_EQ(view.shownFresh, (OffsetPair{85, 59}));
  dialog.OnSet();
  EXPECT_EQ(dialog.Result(), (OffsetPair{85, 59}));

  FakeView cancelled;
  CalibrationDialogModel other(cancelled, commands);
  other.OnCancel();
  EXPECT_EQ(cancelled.closed, 2);
}

TEST(Calibration, ActiveOffsetsAreTheActiveCamerasKeysWithFileOpensDefaults) {
  MemoryProfile profile;
  profile.WriteInt(kProfileSection, "deltaX", 85);
  profile.WriteInt(kProfileSection, "deltaY", 59);
  profile.WriteInt(kProfileSection, "deltaXC2", 120);
  profile.WriteInt(kProfileSection, "deltaYC2", 90);
  EXPECT_EQ(LoadActiveOffsets(profile, 0), (OffsetPair{85, 59}));
  EXPECT_EQ(LoadActiveOffsets(profile, 1), (OffsetPair{120, 90}));
  MemoryProfile empty;
  EXPECT_EQ(LoadActiveOffsets(empty, 0), (OffsetPair{80, 99}));
  EXPECT_EQ(LoadActiveOffsets(empty, 1), (OffsetPair{110, 99}));
}

}  // namespace
}  // namespace orvex::test
