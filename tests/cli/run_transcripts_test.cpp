// Whole runs of orvex-cli simulate held byte for byte to their golden transcripts: every text the
// station sent the cutter and the feeder, every reply, with its virtual time, then the run's
// summary (each sheet's accuracy against its print, the count, the report line, the messages).
// The summary's accuracy is the physical check; the transcript keeps the rest from drifting: a
// changed command text, wait, poll, request byte or correction shows as the first line that
// differs. After a change that is meant, and only once the accuracy lines are still good,
// rewrite the goldens with ORVEX_UPDATE_GOLDEN=1 ctest -R RunTranscript and read the diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>

#include "cli_runner.h"
#include "support/temp_dir.h"

namespace orvex::test {
namespace {

struct Scenario {
  const char* name;
  const char* arguments;
  friend void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.arguments; }
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

class RunTranscript : public ::testing::TestWithParam<Scenario> {};

TEST_P(RunTranscript, IsItsGoldenFile) {
  TempDir dir;
  const std::string job = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";
  const std::string work = dir.File("work").string();
  const CliOutcome run =
      RunCli("simulate " + Quoted(job) + " " + GetParam().arguments + " --workdir " + Quoted(work) +
             " --transcript " + Quoted(dir.File("wire.txt").string()));
  // The report line leads with the job path's length in bytes, which depends on where the
  // source tree lies: a right length becomes <length>, a wrong one stays and shows.
  std::string actual =
      ReplaceAll(ReplaceAll(ReplaceAll(run.out, work, "<workdir>"),
                            std::to_string(job.size()) + " " + job, "<length> " + job),
                 ORVEX_SOURCE_DIR, "<source>") +
      "exit " + std::to_string(run.status) + "\n" +
      (dir.Exists("wire.txt") ? dir.Read("wire.txt") : "(no transcript)\n");

  const std::string golden =
      std::string(ORVEX_SOURCE_DIR) + "/tests/cli/transcripts/" + GetParam().name + ".txt";
  if (std::getenv("ORVEX_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(golden, std::ios::binary | std::ios::trunc) << actual;
    GTEST_SKIP() << "rewrote " << golden;
  }
  std::ifstream in(golden, std::ios::binary);
  ASSERT_TRUE(in) << "no golden file " << golden << " (ORVEX_UPDATE_GOLDEN=1 writes it)";
  std::stringstream expected;
  expected << in.rdbuf();
  std::istringstream want(expected.str()), got(actual);
  for (int line = 1;; ++line) {
    std::string wantLine, gotLine;
    const bool more = static_cast<bool>(std::getline(want, wantLine));
    if (!std::getline(got, gotLine) && !more) break;
    ASSERT_EQ(gotLine, wantLine) << GetParam().name << ".txt line " << line;
  }
}

// One row per way a run goes: placements, the modes that change the cut, the camera, and each
// fault the twin acts out.
INSTANTIATE_TEST_SUITE_P(
    Runs, RunTranscript,
    ::testing::Values(
        Scenario{"three_sheets_at_random", "--sheets 3 --seed 11"},
        Scenario{"laid_off_turned_stretched",
                 "--sheets 1 --offset-mm 1.5,-2 --rotate-deg 0.3 --feed-scale 1.002"},
        Scenario{"dashed_line", "--sheets 1 --special-mode 0"},
        Scenario{"edge_mode", "--sheets 2 --seed 2 --special-mode 2"},
        // Laid off its place and cut without reading the marks: cut where the feed lays it.
        Scenario{"without_marks_laid_off", "--sheets 1 --without-marks --offset-mm 2,-1.5"},
        Scenario{"copies_end_the_run", "--sheets 5 --copies 2"},
        Scenario{"wide_media_second_camera", "--sheets 1 --media-width 500"},
        Scenario{"calibrated_moved_camera", "--sheets 1 --calibrate --camera-offset-mm -5,73.1"},
        Scenario{"cutter_unplugged_mid_stream", "--sheets 3 --seed 11 --fault cutter-unplugged"},
        Scenario{"cutter_silent", "--sheets 1 --fault cutter-silent"},
        Scenario{"cutter_busy", "--sheets 1 --fault cutter-busy"},
        Scenario{"feeder_absent", "--sheets 1 --fault feeder-absent"},
        Scenario{"feeder_silent", "--sheets 1 --fault feeder-silent"},
        Scenario{"camera_no_frames", "--sheets 1 --fault camera-no-frames"},
        Scenario{"marks_missing", "--sheets 1 --fault marks-missing"}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvex::test
