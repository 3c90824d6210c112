// orvex-cli simulate where the run transcripts do not look: the JSON form with the calibration it
// stores in the settings file, a jobs-report line the disk refuses, and the refusal of bad
// arguments. What the runs send, cut, count, report and tell is held by the run transcripts.
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

// Every number after `key` in the output.
std::vector<double> After(const std::string& json, const std::string& key) {
  std::vector<double> numbers;
  for (std::size_t at = json.find(key); at != std::string::npos; at = json.find(key, at + 1)) {
    numbers.push_back(std::stod(json.substr(at + key.size())));
  }
  return numbers;
}

// A camera 3 mm nearer the blade along the feed and 3 mm further across than the twin's own
// place: the calibration stores (-10 x -5 - 5, 800 - 10 x 73.1) within one and writes it to the
// settings file; the JSON line carries it with the run's summary.
TEST(SimulateCommand, TheJsonLineCarriesTheSummaryAndTheCalibrationStoredInTheSettings) {
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
  for (const char* part :
       {"{\"sheets_cut\": 1, \"sheets\": [", "\"messages\": []", "label-sheet.eps 1 ",
        "\"report_written\": true", "\"virtual_seconds\": "}) {
    EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
  }
  const std::vector<double> errors = After(run.out, "\"max_error_mm\": ");
  ASSERT_EQ(errors.size(), 1U) << run.out;
  EXPECT_LE(errors[0], 0.65) << run.out;  // the half millimetre the stored X keeps short
}

// A run whose jobs-report line the disk refuses did not end well: the operator gets the line to
// note by hand, the JSON says it was not written.
TEST(SimulateCommand, AReportLineTheDiskRefusesFailsTheRun) {
  TempDir work;
  std::filesystem::create_symlink("/dev/full", work.File("report.dat"));
  CliOutcome run = Simulate("--sheets 1 --json --workdir " + Quoted(work.Path().string()));
  EXPECT_NE(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("\"report_written\": false"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("No space left on device\\nPlease note its line by hand: "),
            std::string::npos)
      << run.out;
}

TEST(SimulateCommand, BadArgumentsAreRefusedBeforeAnythingRuns) {
  for (const char* arguments : {"--fault melted", "--offset-mm 3", "--sheets 0", "--feed-scale x",
                                "--rotate-deg", "--bogus 1", "--special-mode 5"}) {
    CliOutcome run = Simulate(arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.out;
    EXPECT_NE(run.out.find("usage:"), std::string::npos) << arguments;
  }
  EXPECT_NE(RunCli("--help").out.find("cutter-unplugged"), std::string::npos);
}

}  // namespace
}  // namespace orvex::test
