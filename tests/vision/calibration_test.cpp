// Calibration: the mode, and the dialog model's tick and Set.
#include "vision/calibration.h"

#include <gtest/gtest.h>

#include "support/fake_calibration_view.h"

namespace orvex::test {
namespace {

// The conversion of a read square is held by the findmark rows of the transcripts.
TEST(Calibration, Mode) {
  EXPECT_EQ(CalibrationMode(0, 600, 0), 1);
  EXPECT_EQ(CalibrationMode(0, 601, 0), 3);
  EXPECT_EQ(CalibrationMode(1, 700, 2), 4);  // the creasing tool's mode wins
  EXPECT_EQ(CalibrationMode(0, 700, 1), 3);
}

class NoCommands : public CalibrationCommands {
 public:
  void SendCutterCommand(int) override {}
  void StartCalibrationRead() override {}
};

struct Dialog {
  FakeCalibrationView view;
  NoCommands commands;
  CalibrationDialogModel model{view, commands};
  void Open(int mode = 1) {
    model.Prepare({80, 99}, mode);
    model.Start();
  }
  void Measure(OffsetPair pair) {
    model.OnCalibrationRead(pair);
    model.OnTick();
  }
};

// A later tick leaves the typing alone, a zero keeps the current pair, and the next opening
// starts from the last measurement.
TEST(CalibrationDialog, TypingStandsAZeroKeepsTheCurrentPairAndTheMeasurementIsKept) {
  Dialog d;
  d.Open();
  d.model.OnTick();
  EXPECT_EQ(d.view.shows, 1);  // nothing measured yet: nothing refreshed
  d.Measure({85, 59});
  d.model.OnTick();
  EXPECT_EQ(d.view.shows, 2);
  d.view.fresh = OffsetPair{0, 59};
  d.model.OnSet();
  EXPECT_TRUE(d.view.accepted);
  EXPECT_EQ(d.model.Result(), (OffsetPair{80, 99}));

  d.Open();
  EXPECT_EQ(d.view.fresh, (OffsetPair{0, 59}));
  d.Measure({85, 59});
  d.Open();
  EXPECT_EQ(d.view.fresh, (OffsetPair{85, 59}));
  d.model.OnSet();
  EXPECT_EQ(d.model.Result(), (OffsetPair{85, 59}));
  d.model.OnCancel();
  EXPECT_FALSE(d.view.accepted);
  EXPECT_EQ(d.view.closes, 3);
}

TEST(CalibrationDialog, WideAndCreasingModesAddToY) {
  for (const auto& [mode, y] : {std::pair{3, 1725}, std::pair{4, 325}, std::pair{2, 75}}) {
    Dialog d;
    d.Open(mode);
    d.Measure({70, 75});
    EXPECT_EQ(d.view.fresh, (OffsetPair{70, y})) << mode;
  }
}

}  // namespace
}  // namespace orvex::test
