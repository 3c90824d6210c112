// orvex-cli simulate with the cutter's cable pulled in the middle of the first sheet's stream
// and put back a while later: the sheet in progress loses the rest of its cut, the link is
// found again, and the remaining sheets are cut on their contours.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace orvex::test {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
};

Outcome RunCli(const std::string& arguments) {
  const std::filesystem::path cli = std::filesystem::path(ORVEX_BINARY_DIR) / "bin" / "orvex-cli";
  Outcome outcome;
  std::FILE* pipe = ::popen(("'" + cli.string() + "' " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return outcome;
  std::array<char, 512> chunk{};
  while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) outcome.out += chunk.data();
  const int raw = ::pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return outcome;
}

struct SheetLine {
  double maxMm = 0.0;
  int points = 0;
};

std::vector<SheetLine> SheetLines(const std::string& out) {
  std::vector<SheetLine> sheets;
  const std::regex line(R"(sheet \d+: max ([0-9.]+) mm, rms [0-9.]+ mm over (\d+) cut points)");
  for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it) {
    sheets.push_back(SheetLine{std::stod((*it)[1]), std::stoi((*it)[2])});
  }
  return sheets;
}

TEST(SimulateUnplugged, TheCutInProgressIsNotCountedAndTheRunGoesOnOnceResumed) {
  TempDir dir;
  const std::string sample = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";
  const std::string transcript = dir.File("wire.txt").string();
  Outcome run = RunCli("simulate '" + sample + "' --sheets 3 --seed 11" +
                       " --fault cutter-unplugged --workdir '" + dir.File("work").string() +
                       "' --transcript '" + transcript + "'");
  ASSERT_EQ(run.status, 0) << run.out;
  const std::vector<SheetLine> sheets = SheetLines(run.out);
  ASSERT_EQ(sheets.size(), 3U) << run.out;
  // The first sheet got only the part of its stream that reached the cutter; it is named to
  // the operator, the run pauses, and once resumed the other two are cut and counted.
  EXPECT_GT(sheets[0].points, 0);
  EXPECT_LT(sheets[0].points, sheets[1].points / 2);
  EXPECT_EQ(sheets[1].points, sheets[2].points);
  for (const SheetLine& sheet : sheets) EXPECT_LE(sheet.maxMm, 0.15) << run.out;
  EXPECT_NE(run.out.find("message: Sheet 1 was not cut to its end"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("sheets cut: 2"), std::string::npos) << run.out;

  // The status polling found the cutter again: its connect notice went out once at start-up
  // and once more when the cable came back.
  std::ifstream in(transcript);
  std::stringstream text;
  text << in.rdbuf();
  const std::string wire = text.str();
  ASSERT_FALSE(wire.empty());
  int notices = 0;
  for (std::size_t at = wire.find("cutter < TC24,0<ETX>"); at != std::string::npos;
       at = wire.find("cutter < TC24,0<ETX>", at + 1)) {
    ++notices;
  }
  EXPECT_EQ(notices, 2);
}

TEST(SimulateUnplugged, TheFaultIsListedByTheHelp) {
  const Outcome help = RunCli("--help");
  EXPECT_NE(help.out.find("cutter-unplugged"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace orvex::test
