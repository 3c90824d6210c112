// orvex-cli simulate end to end on the bundled sample job: a whole run's summary and JSON, the
// transcript's readable form, the copies limit, a fault's message and exit status, and the
// refusal of bad arguments.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace orvex::test {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
};

// Runs in a working directory of its own unless the arguments name one.
Outcome Simulate(std::string arguments) {
  TempDir work;
  if (arguments.find("--workdir") == std::string::npos) {
    arguments += " --workdir '" + work.Path().string() + "'";
  }
  const std::filesystem::path cli = std::filesystem::path(ORVEX_BINARY_DIR) / "bin" / "orvex-cli";
  const std::string sample = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";
  Outcome outcome;
  std::FILE* pipe = ::popen(
      ("'" + cli.string() + "' simulate '" + sample + "' " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return outcome;
  std::array<char, 512> chunk{};
  while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) outcome.out += chunk.data();
  const int raw = ::pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return outcome;
}

int Occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

TEST(SimulateCommand, ThreeSheetsEndTheRunWithAReportLineAndAReadableTranscript) {
  TempDir dir;
  const std::string transcript = dir.File("wire.txt").string();
  Outcome run = Simulate("--sheets 3 --seed 11 --json --workdir '" + dir.File("work").string() +
                         "' --transcript '" + transcript + "'");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("\"sheets_cut\": 3"), std::string::npos) << run.out;
  EXPECT_EQ(Occurrences(run.out, "max_error_mm"), 3);
  // Sheets laid within 3 mm, 0.5 degrees and 0.3 % are cut on their printed contours.
  const std::string key = "\"max_error_mm\": ";
  for (std::size_t at = run.out.find(key); at != std::string::npos;
       at = run.out.find(key, at + 1)) {
    EXPECT_LE(std::stod(run.out.substr(at + key.size())), 0.15) << run.out;
  }
  EXPECT_NE(run.out.find("label-sheet.eps 3 "), std::string::npos);
  EXPECT_NE(run.out.find("\"virtual_seconds\""), std::string::npos);
  EXPECT_TRUE(dir.Exists("work/report.dat"));
  EXPECT_TRUE(dir.Exists("work/recent.dat"));

  const std::string wire = dir.Read("wire.txt");
  EXPECT_GT(Occurrences(wire, "cutter <"), 10);
  EXPECT_GT(Occurrences(wire, "cutter >"), 3);
  EXPECT_GE(Occurrences(wire, "feeder <"), 6);  // a request and a cutting notice per sheet
  EXPECT_NE(wire.find("<ETX>"), std::string::npos);
  for (char c : wire) {
    ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "raw byte " << static_cast<int>(c);
  }
}

// A camera 3 mm nearer the blade along the feed and 3 mm further across than the twin's own
// place: the calibration stores (-10 x -5 - 5, 800 - 10 x 73.1) within one, writes it to the
// settings file, and the sheets are cut with it within the half millimetre the stored X keeps
// short along the feed.
TEST(SimulateCommand, CalibrateStoresTheMovedCameraAndTheRunCutsWithIt) {
  TempDir dir;
  dir.Write("orvex.conf", "");
  const std::string settings = dir.File("orvex.conf").string();
  Outcome run = Simulate("--sheets 1 --calibrate --camera-offset-mm -5,73.1 --json --settings '" +
                         settings + "'");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::size_t at = run.out.find("\"calibration\": {\"x\": ");
  ASSERT_NE(at, std::string::npos) << run.out;
  int x = 0;
  int y = 0;
  ASSERT_EQ(std::sscanf(run.out.c_str() + at, "\"calibration\": {\"x\": %d, \"y\": %d", &x, &y), 2);
  EXPECT_NEAR(x, 45, 1);
  EXPECT_NEAR(y, 69, 1);
  const std::string stored = dir.Read("orvex.conf");
  EXPECT_NE(stored.find("deltaX=" + std::to_string(x)), std::string::npos) << stored;
  EXPECT_NE(stored.find("deltaY=" + std::to_string(y)), std::string::npos) << stored;
  const std::size_t error = run.out.find("\"max_error_mm\": ");
  ASSERT_NE(error, std::string::npos);
  EXPECT_LE(std::stod(run.out.substr(error + 16)), 0.65) << run.out;
}

// Edge mode on sheets made for it, laid as the feeder lays them (within 3 mm, 0.5 degrees and
// 0.3 %): the side edge and the end edge are found on every sheet and the cut lands where the
// edges put the job. The edge search reads whole pixels (0.08 mm), one row for the side edge at
// each look, so the skew it measures over the 186 mm between the looks carries up to two pixels
// to the far end of the job, and a skewed sheet adds its own: 0.3 mm, where the marks give 0.06.
TEST(SimulateCommand, EdgeModeFindsBothEdgesAndCutsOnThePrint) {
  Outcome run = Simulate("--sheets 3 --seed 2 --special-mode 2 --json");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("\"sheets_cut\": 3"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"messages\": []"), std::string::npos) << run.out;
  const std::string key = "\"max_error_mm\": ";
  for (std::size_t at = run.out.find(key); at != std::string::npos;
       at = run.out.find(key, at + 1)) {
    EXPECT_LE(std::stod(run.out.substr(at + key.size())), 0.3) << run.out;
  }
}

// Without reading the marks the cut goes where the feed lays the print: on a sheet laid at its
// nominal place it lands on the contours (the sample's first mark lies 2 mm into the job, so a
// move that assumed 25 would put it 23 mm off).
TEST(SimulateCommand, WithoutCropMarksASheetLaidTrueIsCutOnItsPrint) {
  Outcome run = Simulate("--sheets 1 --without-marks --json");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::size_t error = run.out.find("\"max_error_mm\": ");
  ASSERT_NE(error, std::string::npos) << run.out;
  EXPECT_LE(std::stod(run.out.substr(error + 16)), 0.15) << run.out;
}

TEST(SimulateCommand, CopiesStopTheRunBeforeTheStackIsEmpty) {
  Outcome run = Simulate("--sheets 5 --copies 2 --offset-mm 1.5,-2 --rotate-deg 0.3");
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("sheets cut: 2"), std::string::npos) << run.out;
}

TEST(SimulateCommand, AnAbsentFeederIsReportedAndTheRunFails) {
  Outcome run = Simulate("--fault feeder-absent --json");
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_NE(run.out.find("Sheet feeder switched off or not connected"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\"sheets_cut\": 0"), std::string::npos);
}

TEST(SimulateCommand, BadArgumentsAreRefusedBeforeAnythingRuns) {
  for (const char* arguments : {"--fault melted", "--offset-mm 3", "--sheets 0", "--feed-scale x",
                                "--rotate-deg", "--bogus 1"}) {
    Outcome run = Simulate(arguments);
    EXPECT_EQ(run.status, 2) << arguments << "\n" << run.out;
    EXPECT_NE(run.out.find("usage:"), std::string::npos) << arguments;
  }
}

}  // namespace
}  // namespace orvex::test
