// The Options window: its controls, the jobs report reached from it (the runs newest first,
// whole), the range message, the file dialog that ends it with OK.
#include "gui/options_window.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QTableWidget>

#include "app/jobs_report.h"
#include "gui/gui_test_support.h"
#include "support/temp_dir.h"

namespace orvex::gui {
namespace {

using testing::ModalAnswerer;

constexpr int kDefaultSpeedEdit = 1070;
constexpr int kLoadButton = 1117;
constexpr int kJobsReportButton = 1119;
constexpr int kOkButton = 1;
constexpr int kReportList = 1045;

TEST(OptionsWindowTest, ShowsTheReportRefusesABadSpeedAndEndsWithOkOnceAFileIsLoaded) {
  test::TempDir dir;
  dir.Write("labels.CST", "0 0 0 0  0 0  0 0 0 0 0  0 0 0 0 0 0 0  0 0 0 0  0 0 0");
  const auto report = dir.File("report.dat");
  ASSERT_TRUE(AppendLine(report, FormatReportLine("/jobs/first.eps", 4, 65), true));
  ASSERT_TRUE(AppendLine(report, FormatReportLine("/jobs/second.eps", 12, 600), true));
  ASSERT_TRUE(AppendLine(report, FormatReportLine("/jobs/spring labels/third.eps", 3, 3725), true));
  RunContext run;
  OptionsDialog model(run, 30, 1, 12, report);
  testing::MissingControlCheck controls;
  QStringList rows;
  bool timesFit = true;
  bool hiddenButtonsHidden = false;
  auto typeAndPress = [](const QString& speed, int button) {
    return [speed, button](QWidget* options) {
      testing::TypeInto(options, kDefaultSpeedEdit, speed);
      testing::ClickControl(options, button);
    };
  };
  ModalAnswerer answerer;
  answerer.Then(ModalAnswerer::Click(kJobsReportButton))
      .Then([&](QWidget* window) {
        auto* list = testing::FindControlAs<QTableWidget>(window, kReportList);
        ASSERT_NE(list, nullptr);
        // The model fills the list from the dialog's own timer, about 240 ms after opening.
        testing::WaitFor([list] { return list->rowCount() == 3; });
        for (int row = 0; row < list->rowCount(); ++row) {
          const QString time = list->item(row, 2)->text();
          rows << list->item(row, 0)->text() + "|" + list->item(row, 1)->text() + "|" + time;
          timesFit &= list->fontMetrics().horizontalAdvance(time) < list->columnWidth(2);
        }
        hiddenButtonsHidden = !testing::FindControl(window, 2)->isVisible() &&
                              !testing::FindControl(window, 1035)->isVisible();
        testing::ClickControl(window, kOkButton);
      })
      .Then(typeAndPress("61", kOkButton))
      .Then(ModalAnswerer::Accept())
      .Then(typeAndPress("", kOkButton))
      .Then(ModalAnswerer::Accept())
      .Then(typeAndPress("60", kLoadButton))
      .Then(ModalAnswerer::ChooseFile(QString::fromStdString(dir.File("labels.CST").string())));

  EXPECT_TRUE(RunOptionsWindow(nullptr, model));

  EXPECT_EQ(answerer.Shown(), QStringList({"Options", "Orvex  Report", "Options",
                                           "Please enter an integer between 1 and 60.", "Options",
                                           "Please enter an integer.", "Options", "Open"}));
  EXPECT_EQ(rows, QStringList({"/jobs/spring labels/third.eps|3 |1:02:05 ",
                               "/jobs/second.eps|12 |0:10:00 ", "/jobs/first.eps|4 |0:01:05 "}));
  EXPECT_TRUE(timesFit);
  EXPECT_TRUE(hiddenButtonsHidden);
  EXPECT_EQ(model.Outcome(), 1);
  EXPECT_EQ(model.ChosenPath(), dir.File("labels.CST").string());
  EXPECT_EQ(model.DefaultSpeedOut(), 60);
  EXPECT_EQ(model.ReverseOut(), 1);
}

}  // namespace
}  // namespace orvex::gui
