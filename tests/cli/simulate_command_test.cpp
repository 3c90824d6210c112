// orvex-cli simulate end to end on the bundled sample job: whole runs' summaries and JSON, the
// calibration it stores, the transcript's readable form, faults' messages and exit statuses, and
// the refusal of bad arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/temp_dir.h"

namespace orvex::test {
namespace {

// Runs in a working directory of its own unless the arguments name one.
CliOutcome Simulate(std::string arguments) {
  TempDir work;
  if (arguments.find("--workdir") == std::string::npos) {
    arguments += " --workdir " + Quoted(work.Path().string());
  }
  return RunCli("simulate " + Quoted(std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps") +
                " " + arguments);
}

// Every number after `key` in the output, as every sheet's "max_error_mm" in the JSON line.
std::vector<double> After(const std::string& json, const std::string& key) {
  std::vector<double> numbers;
  for (std::size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
    numbers.push_back(std::stod(json.substr(at + key.size())));
  }
  return numbers;
}

std::vector<double> MaxErrors(const std::string& json) {
  return After(json, "\"max_error_mm\": ");
}

// A camera 3 mm nearer the blade along the feed and 3 mm further across than the twin's own
// place: the calibration stores (-10 x -5 - 5, 800 - 10 x 73.1) within one, writes it to the
// settings file, and the sheets are cut with it within the half millimetre the stored X keeps
// short along the feed.
TEST(SimulateCommand, CalibrateStoresTheMovedCameraAndTheRunCutsWithIt) {
  TempDir dir;
  dir.Write("orvex.conf", "");
  const std::string settings = dir.File("orvex.conf").string();
  CliOutcome run = Simulate(
      "--sheets 1 --calibrate --camera-offset-mm -5,73.1 --json --settings '" + settings + "'");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::vector<double> x = After(run.out, "\"calibration\": {\"x\": ");
  const std::vector<double> y = After(run.out, ", \"y\": ");
  ASSERT_TRUE(x.size() == 1 && y.size() == 1) << run.out;
  EXPECT_NEAR(x[0], 45, 1);
  EXPECT_NEAR(y[0], 69, 1);
  const std::string stored = dir.Read("orvex.conf");
  EXPECT_NE(stored.find("deltaX=" + std::to_string(static_cast<int>(x[0]))), std::string::npos);
  EXPECT_NE(stored.find("deltaY=" + std::to_string(static_cast<int>(y[0]))), std::string::npos);
  ASSERT_EQ(MaxErrors(run.out).size(), 1U) << run.out;
  EXPECT_LE(MaxErrors(run.out)[0], 0.65) << run.out;
}

// A plain run and the options that change how the sheets are cut, each on a run of its own: the
// sheets counted and reported, and every cut within its bound of the print. Sheets laid within
// 3 mm, 0.5 degrees and 0.3 % are cut on their contours. Edge mode reads whole pixels (0.08 mm),
// one row for the side edge at each look, so the skew it measures over the 186 mm between the
// looks carries up to two pixels to the far end of the job: 0.3 mm, where the marks give 0.06.
// Without crop marks a sheet laid true is cut where the feed lays it (the sample's first mark
// lies 2 mm into the job, so a move that assumed 25 would put it 23 mm off). Copies stop the run
// before the stack is empty.
TEST(SimulateCommand, EachRunCountsReportsAndCutsItsSheetsOnThePrint) {
  const struct {
    const char* arguments;
    int sheets;
    double withinMm;
  } runs[] = {{"--sheets 3 --seed 11", 3, 0.15},
              {"--sheets 3 --seed 2 --special-mode 2", 3, 0.3},
              {"--sheets 1 --without-marks", 1, 0.15},
              {"--sheets 5 --copies 2 --offset-mm 1.5,-2 --rotate-deg 0.3", 2, 0.15}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.arguments);
    const std::string sheets = std::to_string(run.sheets);
    CliOutcome out = Simulate(std::string(run.arguments) + " --json");
    ASSERT_EQ(out.status, 0) << out.out;
    for (const std::string& part :
         {"{\"sheets_cut\": " + sheets + ", \"sheets\": [", std::string("\"messages\": []"),
          "label-sheet.eps " + sheets + " ", std::string("\"report_written\": true"),
          std::string("\"virtual_seconds\": ")}) {
      EXPECT_NE(out.out.find(part), std::string::npos) << part << "\n" << out.out;
    }
    EXPECT_EQ(MaxErrors(out.out).size(), static_cast<std::size_t>(run.sheets));
    for (double error : MaxErrors(out.out)) EXPECT_LE(error, run.withinMm) << out.out;
  }
}

// An absent feeder is told once and nothing is cut. A run whose jobs-report line the disk refuses
// did not end well: the operator gets the line to note by hand, the JSON says it was not written.
TEST(SimulateCommand, AnAbsentFeederOrAReportLineTheDiskRefusesFailsTheRun) {
  CliOutcome run = Simulate("--fault feeder-absent --json");
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_EQ(Occurrences(run.out, "Sheet feeder switched off or not connected"), 1) << run.out;
  EXPECT_NE(run.out.find("\"sheets_cut\": 0"), std::string::npos);
  TempDir work;
  std::filesystem::create_symlink("/dev/full", work.File("report.dat"));
  run = Simulate("--sheets 1 --json --workdir " + Quoted(work.Path().string()));
  EXPECT_NE(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("\"report_written\": false"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("No space left on device\\nPlease note its line by hand: "),
            std::string::npos)
      << run.out;
}

TEST(SimulateCommand, BadArgumentsAreRefusedBeforeAnythingRuns) {
  for (const char* arguments : {"--fault melted", "--offset-mm 3", "--sheets 0", "--feed-scale x",
                                "--rotate-deg", "--bogus 1"}) {
    CliOutcome run = Simulate(arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.out;
    EXPECT_NE(run.out.find("usage:"), std::string::npos) << arguments;
  }
  EXPECT_NE(RunCli("--help").out.find("cutter-unplugged"), std::string::npos);
}

// The cable pulled in the middle of the first sheet's stream and put back a while later: that
// sheet keeps only the part of its stream that reached the cutter, is named to the operator and
// not counted; the run pauses, the link is found again (its connect notice goes out a second
// time), and once resumed the other two sheets are cut and counted.
TEST(SimulateCommand, CutterUnpluggedMidStreamLosesThatSheetAndTheRunGoesOnOnceResumed) {
  TempDir dir;
  CliOutcome run = Simulate("--sheets 3 --seed 11 --fault cutter-unplugged --workdir " +
                            Quoted(dir.File("work").string()) + " --transcript " +
                            Quoted(dir.File("wire.txt").string()));
  ASSERT_EQ(run.status, 0) << run.out;
  // The summary's sheet lines: "sheet 1: max 0.05 mm, rms 0.02 mm over 120 cut points".
  const std::vector<double> points = After(run.out, " mm over ");
  ASSERT_EQ(points.size(), 3U) << run.out;
  EXPECT_GT(points[0], 0);
  EXPECT_LT(points[0], points[1] / 2);
  EXPECT_EQ(points[1], points[2]);
  for (double error : After(run.out, ": max ")) EXPECT_LE(error, 0.15) << run.out;
  EXPECT_NE(run.out.find("message: Sheet 1 was not cut to its end"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("sheets cut: 2"), std::string::npos) << run.out;
  // The transcript is readable text, both ways for both devices.
  const std::string wire = dir.Read("wire.txt");
  EXPECT_EQ(Occurrences(wire, "cutter < TC24,0<ETX>"), 2);
  EXPECT_GT(Occurrences(wire, "cutter >"), 3);
  EXPECT_GE(Occurrences(wire, "feeder <"), 6);  // a request and a cutting notice per sheet
  for (char c : wire) {
    ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "raw byte " << static_cast<int>(c);
  }
}

}  // namespace
}  // namespace orvex::test
