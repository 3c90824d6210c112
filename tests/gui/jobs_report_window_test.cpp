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

using testing::ModalAnswerer;
using testing::WarningLog;

constexpr int kJobsReportButton = 1119;
constexpr int kListId = 1045;
constexpr int kOkButton = 1;

struct ShownRow {
  QString job, copies, time;
  bool timeFits = false;
};

TEST(JobsReportWindowTest, ListsThreeAppendedRunsNewestFirstWithTheirTimesWhole) {
  test::TempDir dir;
  const auto report = dir.File("report.dat");
  ASSERT_TRUE(AppendLine(report, FormatReportLine("/jobs/first.eps", 4, 65), true));
  ASSERT_TRUE(AppendLine(report, FormatReportLine("/jobs/second.eps", 12, 600), true));
  ASSERT_TRUE(AppendLine(report, FormatReportLine("/jobs/spring labels/third.eps", 3, 3725), true));
  RunContext run;
  OptionsDialog options(run, 30, 0, 0, report);
  WarningLog log;
  std::vector<ShownRow> rows;
  bool hiddenButtonsHidden = false;
  ModalAnswerer answerer;
  answerer.Then(ModalAnswerer::Click(kJobsReportButton))
      .Then([&](QWidget* window) {
        auto* list = testing::FindControlAs<QTableWidget>(window, kListId);
        ASSERT_NE(list, nullptr);
        // The model fills the list from the dialog's own timer, about 240 ms after opening.
        testing::WaitFor([list] { return list->rowCount() == 3; });
        for (int row = 0; row < list->rowCount(); ++row) {
          ShownRow shown{list->item(row, 0)->text(), list->item(row, 1)->text(),
                         list->item(row, 2)->text()};
          shown.timeFits = list->fontMetrics().horizontalAdvance(shown.time) < list->columnWidth(2);
          rows.push_back(shown);
        }
        hiddenButtonsHidden = !testing::FindControl(window, 2)->isVisible() &&
                              !testing::FindControl(window, 1035)->isVisible();
        testing::ClickControl(window, kOkButton);
      })
      .Then(ModalAnswerer::Reject());

  EXPECT_FALSE(RunOptionsWindow(nullptr, options));

  ASSERT_EQ(answerer.Seen().size(), 3u);
  EXPECT_EQ(answerer.Seen()[1].title, QStringLiteral("Orvex  Report"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].job, QStringLiteral("/jobs/spring labels/third.eps"));
  EXPECT_EQ(rows[0].copies, QStringLiteral("3 "));
  EXPECT_EQ(rows[0].time, QStringLiteral("1:02:05 "));
  EXPECT_EQ(rows[1].job, QStringLiteral("/jobs/second.eps"));
  EXPECT_EQ(rows[2].job, QStringLiteral("/jobs/first.eps"));
  for (const ShownRow& row : rows) EXPECT_TRUE(row.timeFits) << row.time.toStdString();
  EXPECT_TRUE(hiddenButtonsHidden);
  EXPECT_TRUE(log.MissingControls().isEmpty()) << log.MissingControls().join('\n').toStdString();
}

}  // namespace
}  // namespace orvex::gui
