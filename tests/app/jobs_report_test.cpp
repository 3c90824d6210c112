// The logs a finished run appends to, the dialog's list, and what a damaged report file shows.
#include "app/jobs_report.h"

#include <gtest/gtest.h>

#include "fake_views.h"
#include "support/small_tmpfs.h"

namespace orvex {
namespace {

struct Fixture : test::AppParts {
  std::string lost;  // the operator's message of the last run

  void Run(const std::string& path, int sheets, int seconds, double skewSum = 0.0) {
    lost = AppendRunRecords(workDir, std::to_string(AngleValue(skewSum, sheets)) + "\n",
                            FormatReportLine(path, sheets, seconds));
  }
  std::vector<std::vector<std::string>> List() {
    JobsReportDialog dialog(workDir.File(workfile::kReport));
    test::FakeReportView list;
    dialog.OnInit(list);
    dialog.OnTick(list);
    EXPECT_TRUE(list.rows.empty());  // filled on the second tick, and only then
    for (int i = 0; i < 20; ++i) dialog.OnTick(list);
    return list.rows;
  }
};

// The report line and a missing angle log (never created, and no failure) show in every run
// transcript; a kept angle log gets the mean skew, truncated toward zero.
TEST(JobsReportTest, TheAngleLogOnlyWhenKept) {
  Fixture f;
  f.dir.Write("angle.dat", "");
  f.Run("/jobs/c.eps", 4, 10, 0.01);
  f.Run("/jobs/d.eps", 3, 10, -0.0006);
  EXPECT_EQ(f.dir.Read("angle.dat"), "14\n-1\n");  // truncated toward zero
  EXPECT_EQ(AngleValue(1e12, 1), 2147483647);
}

// A full disk loses the run's lines: the operator is told which files, why, and what to note by
// hand, and the earlier records stay whole.
TEST(JobsReportTest, LinesTheDiskRefusesAreShownNeverTakenAsWritten) {
  test::SmallTmpfs disk(64);
  if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
  // Whole pages, so the next byte needs space the disk no longer has.
  const std::string report(4096, 'r'), angles(4096, 'a');
  test::WriteFileBytes(disk.Path() / "report.dat", report);
  test::WriteFileBytes(disk.Path() / "angle.dat", angles);
  disk.Fill();
  Fixture f;
  f.workDir = WorkDir(disk.Path());
  f.Run("/jobs/full.eps", 4, 9, 0.01);
  EXPECT_EQ(f.lost,
            "The run was not recorded in " + (disk.Path() / "angle.dat").string() +
                "\nNo space left on device\nPlease note its line by hand: 14\n"
                "The run was not recorded in " +
                (disk.Path() / "report.dat").string() +
                "\nNo space left on device\nPlease note its line by hand: 14 /jobs/full.eps 4 9");
  EXPECT_EQ(test::ReadFileBytes(disk.Path() / "report.dat"), report);
  EXPECT_EQ(test::ReadFileBytes(disk.Path() / "angle.dat"), angles);
}

// Newest first, whole paths and times; an overlong path is shortened at its start so the runs
// after it stay listed.
TEST(JobsReportTest, ListShowsNewestFirstWithWholePathsAndTimes) {
  Fixture f;
  f.Run("/" + std::string(300, 'd') + "/job.eps", 2, 7);
  f.Run("/a b/first job.eps", 1, 5);
  f.Run("/jobs/second.ai", 20, 3725);
  f.Run(" leading space.eps", 3, 36000);
  auto rows = f.List();
  ASSERT_EQ(rows.size(), 4U);
  EXPECT_EQ(rows[0], (std::vector<std::string>{" leading space.eps", "3 ", "10:00:00 "}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"/jobs/second.ai", "20 ", "1:02:05 "}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"/a b/first job.eps", "1 ", "0:00:05 "}));
  EXPECT_EQ(rows[3][0], "..." + std::string(244, 'd') + "/job.eps");  // 255 bytes

  // The hidden button adds the rows once more.
  JobsReportDialog dialog(f.workDir.File(workfile::kReport));
  test::FakeReportView list;
  dialog.OnFillAgain(list);
  dialog.OnFillAgain(list);
  EXPECT_EQ(list.rows.size(), 8U);
  EXPECT_EQ(list.columns, (std::vector<std::string>{"Job name/280", "Copies/60", "Time/60"}));
}

TEST(JobsReportTest, DamagedRecordsHideOnlyThemselvesAndWhatFollows) {
  Fixture f;
  const std::string good = "5 /a.ai 1 2\n6 /b c.e 3 4\n";
  for (std::string damage :
       std::vector<std::string>{"-1 /x.ai 1 2\n", "256 " + std::string(256, 'p') + " 1 2\n",
                                "40 /short 1 2\n", "7 /d.eps x y\n", "5 /a.aiX 1 2\n", "abc\n"}) {
    f.dir.Write("report.dat", good + damage + "5 /z.ai 9 9\n");
    const std::string before = f.dir.Read("report.dat");
    auto rows = f.List();
    ASSERT_EQ(rows.size(), 2U) << damage;
    EXPECT_EQ(rows[0][0], "/b c.e");
    EXPECT_EQ(f.dir.Read("report.dat"), before);
  }
  f.dir.Write("report.dat", "");
  EXPECT_TRUE(f.List().empty());
  std::filesystem::remove(f.dir.File("report.dat"));
  EXPECT_TRUE(f.List().empty());
}

}  // namespace
}  // namespace orvex
