// The jobs report window, reached from the Options window: the runs newest first, whole.
#include "gui/jobs_report_window.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTableWidget>

#include "app/jobs_report.h"
#include "gui/gui_test_support.h"
#include "gui/options_window.h"
#include "support/temp_dir.h"

namespace orvex::gui {
namespace {

using testing::MissingControlCheck;
using testing::ModalAnswerer;

constexpr int kJobsReportButton = 1119;
constexpr int kListId = 1045;
constexpr int kOkButton = 1;

TEST(JobsReportWindowTest, ListsThreeAppendedRunsNewestFirstWithTheirTimesWhole) {
  test::TempDir dir;
  const auto report = dir.File("report.dat");
  ASSERT_TRUE(AppendLine(report, FormatReportLine("/jobs/first.eps", 4, 65), true));
  ASSERT_TRUE(AppendLine(report, FormatReportLine("/jobs/second.eps", 12, 600), true));
  ASSERT_TRUE(AppendLine(report, FormatReportLine("/jobs/spring labels/third.eps", 3, 3725), true));
  RunContext run;
  OptionsDialog options(run, 30, 0, 0, report);
  MissingControlCheck controls;
  QStringList rows;
  bool timesFit = true;
  bool hiddenButtonsHidden = false;
  ModalAnswerer answerer;
  answerer.Then(ModalAnswerer::Click(kJobsReportButton))
      .Then([&](QWidget* window) {
        auto* list = testing::FindControlAs<QTableWidget>(window, kListId);
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
      .Then(ModalAnswerer::Reject());

  EXPECT_FALSE(RunOptionsWindow(nullptr, options));

  ASSERT_EQ(answerer.Seen().size(), 3u);
  EXPECT_EQ(answerer.Seen()[1].title, QStringLiteral("Orvex  Report"));
  EXPECT_EQ(rows, QStringList({"/jobs/spring labels/third.eps|3 |1:02:05 ",
                               "/jobs/second.eps|12 |0:10:00 ", "/jobs/first.eps|4 |0:01:05 "}));
  EXPECT_TRUE(timesFit);
  EXPECT_TRUE(hiddenButtonsHidden);
}

}  // namespace
}  // namespace orvex::gui
