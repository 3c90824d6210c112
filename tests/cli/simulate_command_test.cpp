// orvex-cli simulate where the run transcripts do not look: a jobs-report line the disk refuses,
// and the refusal of bad arguments. What the runs send, cut, count, report and tell, in text and
// JSON, and the calibration they store in the settings file, are held by the run transcripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
