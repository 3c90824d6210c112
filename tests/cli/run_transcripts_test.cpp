// Whole runs of orvex-cli held byte for byte to their golden transcripts. A simulate row keeps
// every text the station sent the cutter and the feeder, every reply, with its virtual time, then
// the run's summary (each sheet's accuracy against its print, the count, the report line, the
// messages); an import row keeps the printed result. Every row ends with the exit status and the
// files left in the working directory. The summary's accuracy is the physical check; the
// transcript keeps the rest from drifting: a changed command text, wait, poll, request byte or
// correction shows as the first line that differs. After a change that is meant, and only once
// the accuracy lines are still good, rewrite the goldens with ORVEX_UPDATE_GOLDEN=1 ctest -R
// RunTranscript and read the diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli_runner.h"
#include "support/temp_dir.h"

namespace orvex::test {
namespace {

struct Scenario {
  const char* name;
  // After "orvex-cli". <job> is the sample job; <input:NAME> a fresh copy of
  // tests/cli/inputs/NAME, so that a settings file the run writes back stays out of the tree.
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

std::string FileNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string line = "files:";
  for (const std::string& name : names) line += " " + name;
  return line + "\n";
}

std::string WithInputs(std::string arguments, const TempDir& dir) {
  const std::string tag = "<input:";
  for (std::size_t at = arguments.find(tag); at != std::string::npos; at = arguments.find(tag)) {
    const std::size_t end = arguments.find('>', at);
    const std::string name = arguments.substr(at + tag.size(), end - at - tag.size());
    std::filesystem::copy_file(std::string(ORVEX_SOURCE_DIR) + "/tests/cli/inputs/" + name,
                               dir.File(name));
    arguments.replace(at, end + 1 - at, Quoted(dir.File(name).string()));
  }
  return arguments;
}

class RunTranscript : public ::testing::TestWithParam<Scenario> {};

TEST_P(RunTranscript, IsItsGoldenFile) {
  TempDir dir;
  const std::string job = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";
  const std::string work = dir.File("work").string();
  std::filesystem::create_directory(work);
  const std::string arguments = GetParam().arguments;
  const bool simulate = arguments.rfind("simulate ", 0) == 0;
  const bool ownSettings = arguments.find("--settings ") != std::string::npos;
  const CliOutcome run = RunCli(
      WithInputs(ReplaceAll(arguments, "<job>", Quoted(job)), dir) + " --workdir " + Quoted(work) +
      (simulate ? " --transcript " + Quoted(dir.File("wire.txt").string()) : "") +
      (simulate || ownSettings ? "" : " --settings " + Quoted(dir.File("orvex.conf").string())));
  // The report line leads with the job path's length in bytes, which depends on where the
  // source tree lies: a right length becomes <length>, a wrong one stays and shows. The working
  // directory lies inside the inputs' directory, and the job inside the source tree.
  std::string actual = run.out;
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {work, "<workdir>"},
           {dir.Path().string(), "<inputs>"},
           {std::to_string(job.size()) + " " + job, "<length> " + job},
           {ORVEX_SOURCE_DIR, "<source>"}}) {
    actual = ReplaceAll(actual, from, to);
  }
  actual += "exit " + std::to_string(run.status) + "\n" + FileNames(work);
  // A row's own settings file, as the run left it.
  const std::size_t settingsAt = arguments.find("--settings <input:");
  if (settingsAt != std::string::npos) {
    const std::size_t nameAt = settingsAt + std::string("--settings <input:").size();
    const std::string name = arguments.substr(nameAt, arguments.find('>', nameAt) - nameAt);
    actual += name + ":\n" + dir.Read(name);
  }
  if (simulate) actual += dir.Exists("wire.txt") ? dir.Read("wire.txt") : "(no transcript)\n";

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

// One row per way a run goes: placements, the modes that change the cut, the camera and its
// calibration, and each fault the twin acts out; then the import's forms and orderings.
INSTANTIATE_TEST_SUITE_P(
    Runs, RunTranscript,
    ::testing::Values(
        Scenario{"three_sheets_at_random", "simulate <job> --sheets 3 --seed 11"},
        Scenario{
            "laid_off_turned_stretched",
            "simulate <job> --sheets 1 --offset-mm 1.5,-2 --rotate-deg 0.3 --feed-scale 1.002"},
        Scenario{"dashed_line", "simulate <job> --sheets 1 --special-mode 0"},
        Scenario{"edge_mode", "simulate <job> --sheets 2 --seed 2 --special-mode 2"},
        // Laid off its place and cut without reading the marks: cut where the feed lays it.
        Scenario{"without_marks_laid_off",
                 "simulate <job> --sheets 1 --without-marks --offset-mm 2,-1.5"},
        Scenario{"copies_end_the_run", "simulate <job> --sheets 5 --copies 2"},
        Scenario{"wide_media_second_camera", "simulate <job> --sheets 1 --media-width 500"},
        // The pair the run needs for a camera f mm along and c mm across from the blade is
        // (-10 f, 800 - 10 c); calibration stores X half a millimetre short: (45, 69) here,
        // (105, 69) and (45, 129) below, each read within one: (45, 68), (104, 68), (45, 129).
        Scenario{"calibrated_moved_camera",
                 "simulate <job> --sheets 1 --calibrate --camera-offset-mm -5,73.1 --json"},
        Scenario{"calibrated_narrow_media",
                 "simulate <job> --sheets 1 --calibrate --media-width 300 --camera-offset-mm "
                 "-11,73.1"},
        Scenario{"calibrated_wide_media",
                 "simulate <job> --sheets 1 --calibrate --media-width 440 --camera-offset-mm "
                 "-5,67.1"},
        Scenario{"cutter_unplugged_mid_stream",
                 "simulate <job> --sheets 3 --seed 11 --fault cutter-unplugged"},
        Scenario{"cutter_silent", "simulate <job> --sheets 1 --fault cutter-silent"},
        Scenario{"cutter_busy", "simulate <job> --sheets 1 --fault cutter-busy"},
        // Ready replies before busy ones: a long cut must not end at them, nor the next sheet
        // be fed under a blade still cutting.
        Scenario{"cutter_late_busy", "simulate <job> --sheets 2 --fault cutter-late-busy"},
        Scenario{"feeder_absent", "simulate <job> --sheets 1 --fault feeder-absent"},
        Scenario{"feeder_silent", "simulate <job> --sheets 1 --fault feeder-silent"},
        // The sheet comes 9 s after its request, within the 500 ms pause, the 3000 ms feed
        // command and the 6000 ms wait for it; feeder_silent shows where that wait ends.
        Scenario{"feeder_slow", "simulate <job> --sheets 1 --fault feeder-slow"},
        Scenario{"camera_no_frames", "simulate <job> --sheets 1 --fault camera-no-frames"},
        Scenario{"marks_missing", "simulate <job> --sheets 1 --fault marks-missing"},
        // Only the half nearer the far media edge printed: no mark the search can confirm.
        Scenario{"mark_half_printed", "simulate <job> --sheets 1 --fault mark-half-printed"},
        Scenario{"import_json", "import <job> --multiple 3 --spacing 10 --json"},
        Scenario{"import_ordered", "import <job> --json --order"},
        // Two passes over the mirrored job, as edge mode orders it, in reverse.
        Scenario{"import_ordered_twice_mirrored",
                 "import <job> --order --passes 2 --special-mode 2 --reverse"},
        // The converters and the settings file, as the operator meets them.
        // An EPS the parser finds no path in goes to Ghostscript, whose own error line is the
        // reason; nothing of the attempt is left in the working directory.
        Scenario{"import_ghostscript_refuses", "import <input:undrawable.eps> --json"},
        // The operator's settings file read as it stands (a value that is no number gives the
        // default), and the calibration's pair written back into it.
        Scenario{"settings_hand_edited",
                 "simulate <job> --sheets 1 --calibrate --settings <input:hand_edited.conf>"}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvex::test
