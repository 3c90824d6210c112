// The Options window: its controls, the file dialog that ends it with OK, the range message.
#include "gui/options_window.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>

#include "gui/gui_test_support.h"
#include "support/temp_dir.h"

namespace orvex::gui {
namespace {

using testing::MissingControlCheck;
using testing::ModalAnswerer;
using testing::TypeInto;

constexpr int kDefaultSpeedEdit = 1070;
constexpr int kLoadButton = 1117;
constexpr int kOkButton = 1;

TEST(OptionsWindowTest, LoadCutSettingAnsweredInTheFileDialogEndsWithOkAndOutcomeOne) {
  test::TempDir dir;
  dir.Write("labels.CST", "0 0 0 0  0 0  0 0 0 0 0  0 0 0 0 0 0 0  0 0 0 0  0 0 0");
  const QString chosen = QString::fromStdString(dir.File("labels.CST").string());
  RunContext run;
  OptionsDialog model(run, 30, 0, 12, dir.File("report.dat"));
  MissingControlCheck controls;
  ModalAnswerer answerer;
  answerer.Then(ModalAnswerer::Click(kLoadButton)).Then(ModalAnswerer::ChooseFile(chosen));

  EXPECT_TRUE(RunOptionsWindow(nullptr, model));

  ASSERT_EQ(answerer.Seen().size(), 2u);
  EXPECT_EQ(answerer.Seen()[0].title, QStringLiteral("Options"));
  EXPECT_EQ(answerer.Seen()[1].className, QStringLiteral("QFileDialog"));
  EXPECT_EQ(model.Outcome(), 1);
  EXPECT_EQ(model.ChosenPath(), dir.File("labels.CST").string());
  EXPECT_EQ(model.DefaultSpeedOut(), 30);
}

TEST(OptionsWindowTest, ASpeedOutOfRangeOrNotANumberKeepsTheDialogOpenUntilCorrected) {
  test::TempDir dir;
  RunContext run;
  OptionsDialog model(run, 30, 1, 0, dir.File("report.dat"));
  MissingControlCheck controls;
  ModalAnswerer answerer;
  auto typeAndOk = [](const QString& speed) {
    return [speed](QWidget* options) {
      TypeInto(options, kDefaultSpeedEdit, speed);
      testing::ClickControl(options, kOkButton);
    };
  };
  answerer.Then(typeAndOk("61"))
      .Then(ModalAnswerer::Accept())
      .Then(typeAndOk(""))
      .Then(ModalAnswerer::Accept())
      .Then(typeAndOk("60"));

  EXPECT_TRUE(RunOptionsWindow(nullptr, model));

  ASSERT_EQ(answerer.Seen().size(), 5u);
  EXPECT_EQ(answerer.Seen()[1].text, QStringLiteral("Please enter an integer between 1 and 60."));
  EXPECT_EQ(answerer.Seen()[3].text, QStringLiteral("Please enter an integer."));
  EXPECT_EQ(model.DefaultSpeedOut(), 60);
  EXPECT_EQ(model.ReverseOut(), 1);
}

}  // namespace
}  // namespace orvex::gui
