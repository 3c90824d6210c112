// The Options window: its controls, the range message, the file dialog that ends it with OK.
#include "gui/options_window.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>

#include "gui/gui_test_support.h"
#include "support/temp_dir.h"

namespace orvex::gui {
namespace {

using testing::ModalAnswerer;

constexpr int kDefaultSpeedEdit = 1070;
constexpr int kLoadButton = 1117;
constexpr int kOkButton = 1;

TEST(OptionsWindowTest, ASpeedOutOfRangeOrNotANumberKeepsItOpenAndALoadedFileEndsItWithOk) {
  test::TempDir dir;
  dir.Write("labels.CST", "0 0 0 0  0 0  0 0 0 0 0  0 0 0 0 0 0 0  0 0 0 0  0 0 0");
  RunContext run;
  OptionsDialog model(run, 30, 1, 12, dir.File("report.dat"));
  testing::MissingControlCheck controls;
  auto typeAndPress = [](const QString& speed, int button) {
    return [speed, button](QWidget* options) {
      testing::TypeInto(options, kDefaultSpeedEdit, speed);
      testing::ClickControl(options, button);
    };
  };
  ModalAnswerer answerer;
  answerer.Then(typeAndPress("61", kOkButton))
      .Then(ModalAnswerer::Accept())
      .Then(typeAndPress("", kOkButton))
      .Then(ModalAnswerer::Accept())
      .Then(typeAndPress("60", kLoadButton))
      .Then(ModalAnswerer::ChooseFile(QString::fromStdString(dir.File("labels.CST").string())));

  EXPECT_TRUE(RunOptionsWindow(nullptr, model));

  ASSERT_EQ(answerer.Seen().size(), 6u);
  EXPECT_EQ(answerer.Seen()[0].title, QStringLiteral("Options"));
  EXPECT_EQ(answerer.Seen()[1].text, QStringLiteral("Please enter an integer between 1 and 60."));
  EXPECT_EQ(answerer.Seen()[3].text, QStringLiteral("Please enter an integer."));
  EXPECT_EQ(answerer.Seen()[5].className, QStringLiteral("QFileDialog"));
  EXPECT_EQ(model.Outcome(), 1);
  EXPECT_EQ(model.ChosenPath(), dir.File("labels.CST").string());
  EXPECT_EQ(model.DefaultSpeedOut(), 60);
  EXPECT_EQ(model.ReverseOut(), 1);
}

}  // namespace
}  // namespace orvex::gui
