// The calibration window: a delivered measurement shows at the next tick and Set returns it;
// a new value that is no number is refused; the one window serves every opening.
#include "gui/calibration_window.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "gui/gui_test_support.h"

namespace orvex::gui {
namespace {

using testing::FindControlAs;
using testing::MissingControlCheck;
using testing::ModalAnswerer;

constexpr int kSetButton = 1;
constexpr int kCancelButton = 2;
constexpr int kReadMarkerButton = 1109;
constexpr int kCurrentXEdit = 1070;
constexpr int kNewXEdit = 1071;
constexpr int kNewYEdit = 1111;
constexpr int kCameraTwoStatic = 1115;

class RecordedCommands : public CalibrationCommands {
 public:
  void SendCutterCommand(int /*number*/) override {}
  void StartCalibrationRead() override { ++reads; }
  int reads = 0;
};

// A second-camera opening first, cancelled: the next opening shows nothing of it.
TEST(CalibrationWindowTest, ShowsAMeasurementAfterATickSetReturnsItAndOpeningsLeaveNothingBehind) {
  CalibrationWindow window(nullptr);
  RecordedCommands commands;
  CalibrationDialogModel model(window, commands);
  MissingControlCheck controls;
  std::vector<bool> cameraTwoShown;
  QString shown;  // the new pair, then the current X and whether it could be edited
  ModalAnswerer answerer;
  answerer
      .Then([&](QWidget* dialog) {
        cameraTwoShown.push_back(testing::FindControl(dialog, kCameraTwoStatic)->isVisible());
        testing::ClickControl(dialog, kCancelButton);
      })
      .Then([&](QWidget* dialog) {
        cameraTwoShown.push_back(testing::FindControl(dialog, kCameraTwoStatic)->isVisible());
        // A new value that is no number: the number message, and the dialog stays open.
        testing::TypeInto(dialog, kNewXEdit, QStringLiteral("-"));
        testing::ClickControl(dialog, kSetButton);
      })
      .Then(ModalAnswerer::Accept())
      .Then([&](QWidget* dialog) {
        testing::ClickControl(dialog, kReadMarkerButton);
        // What the frame handler does with the read square.
        model.OnCalibrationRead({85, 59});
        auto* newX = FindControlAs<QLineEdit>(dialog, kNewXEdit);
        testing::WaitFor([newX] { return newX->text() == QStringLiteral("85"); });
        auto* currentX = FindControlAs<QLineEdit>(dialog, kCurrentXEdit);
        shown = newX->text() + "," + FindControlAs<QLineEdit>(dialog, kNewYEdit)->text() + " " +
                currentX->text() + (currentX->isEnabled() ? " editable" : "");
        testing::TypeInto(dialog, kNewYEdit, QStringLiteral("60"));  // Set takes what is typed
        testing::ClickControl(dialog, kSetButton);
      });

  model.Prepare({180, 99}, 2);
  EXPECT_FALSE(window.Run(model));
  model.Prepare({80, 99}, 1);
  EXPECT_TRUE(window.Run(model));

  EXPECT_EQ(answerer.Shown(), QStringList({" - Calibration - Camera  2 - ", "Calibration ",
                                           "Please enter an integer.", "Calibration "}));
  EXPECT_EQ(cameraTwoShown, (std::vector<bool>{true, false}));
  EXPECT_EQ(commands.reads, 1);
  EXPECT_EQ(shown, QStringLiteral("85,59 80"));
  EXPECT_EQ(model.Result(), (OffsetPair{85, 60}));
}

}  // namespace
}  // namespace orvex::gui
