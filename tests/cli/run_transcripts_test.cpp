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
  // Files whose contents follow the run, by name: looked for among the files the run left in the
  // working directory, then among the row's inputs (a settings file the run wrote to).
  const char* shows = "";
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

std::string Contents(const std::string& names, const std::filesystem::path& work,
                     const TempDir& inputs) {
  std::string out;
  std::istringstream list(names);
  for (std::string name; list >> name;) {
    const std::filesystem::path left = work / name;
    const std::string text =
        ReadFileBytes(std::filesystem::exists(left) ? left : inputs.File(name));
    out += "--- " + name + "\n" + text;
    if (!text.empty() && text.back() != '\n') out += "\n";
  }
  return out;
}

class RunTranscript : public ::testing::TestWithParam<Scenario> {};

TEST_P(RunTranscript, IsItsGoldenFile) {
  TempDir dir;
  const std::string job = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";
  const std::string work = dir.File("work").string();
  std::filesystem::create_directory(work);
  const std::string arguments = GetParam().arguments;
  const bool simulate = arguments.rfind("simulate ", 0) == 0;
  // findmark reads one frame and nothing else: no working directory, no settings.
  const bool findmark = arguments.rfind("findmark ", 0) == 0;
  const bool noSettings =
      simulate || findmark || arguments.find("--settings ") != std::string::npos;
  const CliOutcome run =
      RunCli(WithInputs(ReplaceAll(arguments, "<job>", Quoted(job)), dir) +
             (findmark ? "" : " --workdir " + Quoted(work)) +
             (simulate ? " --transcript " + Quoted(dir.File("wire.txt").string()) : "") +
             (noSettings ? "" : " --settings " + Quoted(dir.File("orvex.conf").string())));
  // Paths that depend on where the source tree and the temporary directory lie are named. The
  // report line (and recent.dat) lead with the job path's length in bytes: a right length
  // becomes <length>, a wrong one stays and shows. The working directory lies inside the inputs'
  // directory, and the job inside the source tree.
  std::string actual = run.out + "exit " + std::to_string(run.status) + "\n" + FileNames(work) +
                       Contents(GetParam().shows, work, dir);
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {work, "<workdir>"},
           {dir.Path().string(), "<inputs>"},
           {std::to_string(job.size()) + " " + job, "<length> " + job},
           {ORVEX_SOURCE_DIR, "<source>"}}) {
    actual = ReplaceAll(actual, from, to);
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
        // Stored in the settings file, in place of the first camera's pair.
        Scenario{"calibrated_moved_camera",
                 "simulate <job> --sheets 1 --calibrate --camera-offset-mm -5,73.1 --json "
                 "--settings <input:run-pairs.conf>",
                 "run-pairs.conf"},
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
        // What the window's files hand the run: the settings file, a cut setting, inch display.
        // The settings file: each setting unlike its default and the others, and the
        // job's line in recent.dat after Start. The forces, the uplift, the insertion and the
        // height compensation show in the wire texts; the dashed line's lengths only in the line.
        Scenario{"window_settings_reach_the_run",
                 "simulate <job> --sheets 1 --settings <input:window-settings.conf>", "recent.dat"},
        // A cut setting loaded in More Options before Start, each value unlike its default and
        // the others: the compensations, the forces, the uplift and the insertion show in the
        // wire texts, the dashed line's lengths and speed in the line.
        Scenario{"window_cut_setting_reaches_the_run",
                 "simulate <job> --sheets 1 --cut-setting <input:window-labels.cst>", "recent.dat"},
        // Inch display shows the first marker's stored 45 mm as 1.77 inch; Start stores 45 again.
        Scenario{"window_inch_display",
                 "simulate <job> --sheets 1 --settings <input:window-inch.conf>", "recent.dat"},
        // Cut-setting files as More Options reads them (window-labels.cst's values unless said).
        // One from before the cross position, 24 values, with reverse order: the labels are cut
        // in the other order.
        Scenario{"window_cut_setting_of_24_values",
                 "simulate <job> --sheets 1 --cut-setting <input:window-24-values.cst>"},
        // Edge mode lays the print 3 mm inside the sheet's side edge: a 25th value of 0 means no
        // cross position and the 3 mm stay; 35 is taken as 3.5 mm.
        Scenario{"window_cut_setting_cross_0_is_none",
                 "simulate <job> --sheets 1 --special-mode 2 --cut-setting "
                 "<input:window-labels.cst>"},
        Scenario{
            "window_cut_setting_cross_taken",
            "simulate <job> --sheets 1 --special-mode 2 --cut-setting <input:window-cross.cst>"},
        // Pass -1, special 3 (no creasing tool) and multiple 5 are past their boxes: ignored.
        Scenario{"window_cut_setting_selections_past_the_boxes",
                 "simulate <job> --sheets 1 --cut-setting <input:window-selections.cst>",
                 "recent.dat"},
        Scenario{"window_cut_setting_of_23_values_refused",
                 "simulate <job> --sheets 1 --cut-setting <input:window-23-values.cst>"},
        Scenario{"window_cut_setting_of_words_refused",
                 "simulate <job> --sheets 1 --cut-setting <input:window-words.cst>"},
        Scenario{"window_cut_setting_past_int_refused",
                 "simulate <job> --sheets 1 --cut-setting <input:window-past-int.cst>"},
        Scenario{"window_cut_setting_missing_refused",
                 "simulate <job> --sheets 1 --cut-setting no-such-file.cst"},
        Scenario{"import_json", "import <job> --multiple 3 --spacing 10 --json"},
        Scenario{"import_ordered", "import <job> --json --order"},
        // Two passes over the mirrored job, as edge mode orders it, in reverse.
        Scenario{"import_ordered_twice_mirrored",
                 "import <job> --order --passes 2 --special-mode 2 --reverse"},
        // The import of small hand-written graphics (tests/cli/inputs/import-*): what the loader
        // refuses and says, what it warns of, the routes through the converter and Ghostscript,
        // and the cut file it writes. Their job is 10..210 x 5..144 mm: the bottom marks' corners
        // at x 10 and 206, a 50 x 30 mm label at (30, 30), the top mark at (10, 140).
        // Bottom marks exactly 50 mm apart are a pair; they stay out of sort.prn.
        Scenario{"import_marks_50mm_apart", "import <input:import-marks-50mm-apart.eps> --json",
                 "sort.prn mk3.dat"},
        Scenario{"import_marks_49_9mm_apart", "import <input:import-marks-49.9mm-apart.eps>"},
        // Which two paths are the bottom marks: the lowest two within 0.1 mm, paired left to
        // right whatever their order, the later of two at one height, straight segments only.
        // The extra path is a 4 mm square at (100, 100).
        Scenario{"import_marks_right_mark_first",
                 "import <input:import-marks-right-mark-first.eps>"},
        Scenario{"import_marks_within_0_05mm_lower_first",
                 "import <input:import-marks-within-0.05mm-lower-first.eps>"},
        Scenario{"import_marks_within_0_05mm_higher_first",
                 "import <input:import-marks-within-0.05mm-higher-first.eps>"},
        // The right mark 0.2 mm higher: drawn before the left one it is beaten, drawn after it it
        // is no pair, and the square at (100, 100) becomes the right mark.
        Scenario{"import_marks_lower_mark_later",
                 "import <input:import-marks-lower-mark-later.eps>"},
        Scenario{"import_marks_higher_mark_later",
                 "import <input:import-marks-higher-mark-later.eps>"},
        // A curve dipping 7.5 mm below the marks decides neither them nor their base.
        Scenario{"import_marks_curve_dips_below",
                 "import <input:import-marks-curve-dips-below.eps>"},
        Scenario{"import_one_path", "import <input:import-one-path.eps>"},
        Scenario{"import_too_wide", "import <input:import-too-wide.eps>"},
        Scenario{"import_mark_mode_cuts_the_marks",
                 "import <input:import-marks-50mm-apart.eps> --mark-mode 1"},
        Scenario{"import_cut_short", "import <input:import-cut-short.eps>"},
        // A curve bulging 30 mm to the right (its controls 40 mm), segments to coordinates no
        // number holds, a solid line in the special colour (a dash of 1 and 1).
        Scenario{"import_odd_paths", "import <input:import-odd-paths.eps> --json", "sort.prn"},
        // A dashed special line and a special curve laid out as three lines 1 mm apart.
        Scenario{"import_special_paths_as_three_lines",
                 "import <input:import-special-paths.eps> --multiple 3 --spacing 10 --json",
                 "sort.prn"},
        // The hidden layer's square is no part of the job, nor the translation before the layers
        // of PREINT.
        Scenario{"import_illustrator_first_visible_layer", "import <input:import-label.ai> --json",
                 "PREINT"},
        // The page PDFs fill their marks without closing the paths: the fill closes them.
        Scenario{"import_white_page_background",
                 "import <input:import-white-page-background.pdf> --json"},
        Scenario{"import_white_box_filled_and_stroked",
                 "import <input:import-white-box-filled-and-stroked.pdf>"},
        Scenario{"import_black_page_box", "import <input:import-black-page-box.pdf>"},
        Scenario{"import_white_box_stroked", "import <input:import-white-box-stroked.pdf>"},
        // Drawn at twice its size under a scale of one half: the parser's reading reaches out of
        // the bounding box, Ghostscript's is true to size.
        Scenario{"import_ghostscript_redraws_a_scaled_drawing",
                 "import <input:import-drawn-under-a-scale.eps> --json"},
        Scenario{"import_ghostscript_reads_full_operator_names",
                 "import <input:import-full-operator-names.eps> --json"},
        // Without the prolog that defines m, l and f Ghostscript cannot draw the job: a reading
        // the parser made is loaded with a warning, no reading at all is refused.
        Scenario{"import_ghostscript_fails_on_a_misread_job",
                 "import <input:import-undrawable-misread.eps> --json"},
        Scenario{"import_ghostscript_fails_on_a_job_without_paths",
                 "import <input:import-undrawable-no-paths.eps>"},
        // A box of 1 x 1 pt, and a high-resolution one that holds the job: the latter counts.
        Scenario{"import_tight_high_resolution_box",
                 "import <input:import-tight-high-resolution-box.eps>"},
        Scenario{"import_damaged_pdf", "import <input:import-damaged.pdf> --json"},
        Scenario{"import_encrypted_pdf", "import <input:import-encrypted.pdf>"},
        // The reference job: bottom marks three graphics states deep, one form placed twice as
        // both labels, a circle under a page flip inside a clip, the dashed special line under a
        // scale of 10, the top mark in page points; on a 200 x 150 mm page, each contour where it
        // was drawn (the marks' corner at 10, 10 mm).
        Scenario{"import_reference_job_pdf", "import <input:import-reference-job.pdf> --json",
                 "sort.prn"},
        Scenario{"import_reference_job_by_ghostscript",
                 "import <input:import-reference-job-by-ghostscript.pdf> --json"},
        // What the converter writes of PDF features, and the special lines' layout. One page off
        // the origin and turned by /Rotate: closed, open and filled subpaths, a lone moveto, a
        // dash under a scale of 0.1 and dashes too long to be one, a coordinate of 1e9, text, a
        // shading and clips, RGB magenta and nearly magenta, grey, a spot colour, a palette, a
        // CMYK colour that only rounds to the special one, one beyond 1, and a soft mask's form.
        Scenario{"import_pdf_page_features", "import <input:import-pdf-page-features.pdf>",
                 "out.ps"},
        Scenario{"import_pdf_without_pages", "import <input:import-pdf-without-pages.pdf>"},
        // A straight special line, one of no length, and three curves whose controls lie on an
        // end (the first on the start, both on the start's vertical, the second on the end).
        Scenario{"import_special_lines_as_two",
                 "import <input:import-special-lines-and-curves.eps> --multiple 2 --spacing 10",
                 "TPSINT"},
        // The middle line is the drawn one; its curve records end in two blanks.
        Scenario{"import_special_lines_as_three",
                 "import <input:import-special-lines-and-curves.eps> --multiple 3 --spacing 10",
                 "TPSINT"},
        Scenario{"import_special_lines_as_four",
                 "import <input:import-special-lines-and-curves.eps> --multiple 4 --spacing 10",
                 "TPSINT"},
        Scenario{"import_special_lines_as_five",
                 "import <input:import-special-lines-and-curves.eps> --multiple 5 --spacing 10",
                 "TPSINT"},
        // The run engine's and the ordering's rows: the settings a run takes from its file, the
        // calibration it stores there, and the order of hand-drawn shapes. The second camera's
        // pair, then its calibration, which must leave the first camera's pair alone.
        Scenario{"run_second_camera_takes_its_stored_pair",
                 "simulate <job> --sheets 1 --media-width 500 --settings <input:run-pairs.conf>"},
        Scenario{"run_calibration_stored_for_the_second_camera",
                 "simulate <job> --sheets 1 --calibrate --media-width 500 --settings "
                 "<input:run-pairs.conf>",
                 "run-pairs.conf"},
        // Uplift and insertion at the top of the window's ranges (request bytes 62 and 63 at 200
        // and 235), the forces, the default speed and the mark size.
        Scenario{"run_settings_reach_the_wire",
                 "simulate <job> --sheets 1 --settings <input:run-settings.conf>"},
        // At the bottom: insertion -100 gives -20 and is sent as 0.
        Scenario{"run_uplift_and_insertion_at_their_lowest",
                 "simulate <job> --sheets 1 --settings <input:run-lowest.conf>"},
        // Closed loops from their furthest point, curve letters, an open line, two passes with
        // the overcut: 5 mm along a 10 mm side (across the feed or back along it), to the second
        // point of a 3 mm one.
        Scenario{"run_order_two_passes", "import <input:run-order-shapes.eps> --order --passes 2",
                 "sort.prn sortp.prn sortx.prn"},
        Scenario{"run_import_refused", "import <input:run-empty.eps>"},
        Scenario{"run_import_refused_json", "import <input:run-empty.eps> --json"},
        // The operator's settings file read as it stands (a value that is no number gives the
        // default), and the calibration's pair written back into it.
        Scenario{"settings_hand_edited",
                 "simulate <job> --sheets 1 --calibrate --settings <input:hand_edited.conf>",
                 "hand_edited.conf"},
        // The run engine's and the twin's rows: a calibration that got no frame reads nothing,
        // fails, and leaves the settings file as it was.
        Scenario{"run_calibration_without_frames",
                 "simulate <job> --sheets 1 --calibrate --fault camera-no-frames --settings "
                 "<input:run-pairs.conf>",
                 "run-pairs.conf"},
        // The vision's rows: findmark on frames drawn by hand (tests/cli/inputs/vision-*.bmp),
        // paper of grey 220 and ink of 20 unless said, rows counted as the camera delivers them
        // (the file's bottom row first). A 46-pixel square at column 300, row 200 is found at
        // (322, 223): the row is the mean top plus half the mean run, the column the mean of the
        // last light column before the left side and the first light one after the right side.
        Scenario{"findmark_reference_square", "findmark <input:vision-reference-square.bmp>"},
        // The run scan wants 31 light rows above the mark and ends at row 379: the square is
        // found with its top at row 111 (322, 134) and 333 (322, 356), not at 110 or 334.
        Scenario{"findmark_31_light_rows_above", "findmark <input:vision-31-light-rows-above.bmp>"},
        Scenario{"findmark_30_light_rows_above", "findmark <input:vision-30-light-rows-above.bmp>"},
        Scenario{"findmark_run_ends_on_scan_end",
                 "findmark <input:vision-run-ends-on-scan-end.bmp>"},
        Scenario{"findmark_run_ends_past_scan", "findmark <input:vision-run-ends-past-scan.bmp>"},
        // The window is columns 120..519, every third read; a mark wants 10 of them: its left
        // side at 110 is found (132.5, 223), at 100 (9 columns in) and at 500 (7) not.
        Scenario{"findmark_12_columns_in_window",
                 "findmark <input:vision-12-columns-in-window.bmp>"},
        Scenario{"findmark_9_columns_in_window", "findmark <input:vision-9-columns-in-window.bmp>"},
        Scenario{"findmark_7_columns_in_window", "findmark <input:vision-7-columns-in-window.bmp>"},
        // Squares at (300, 200) of 42 and 72 rows are no mark; 43 rows give (320.5, 221.5), 60
        // (329, 230). From 70 rows the last light column before the left side lies beyond where
        // it is looked for and the first dark one stands in: 70 give (334.5, 235), 71 (335, 235.5).
        Scenario{"findmark_42_rows", "findmark <input:vision-42-rows.bmp>"},
        Scenario{"findmark_43_rows", "findmark <input:vision-43-rows.bmp>"},
        Scenario{"findmark_60_rows", "findmark <input:vision-60-rows.bmp>"},
        Scenario{"findmark_70_rows", "findmark <input:vision-70-rows.bmp>"},
        Scenario{"findmark_71_rows", "findmark <input:vision-71-rows.bmp>"},
        Scenario{"findmark_72_rows", "findmark <input:vision-72-rows.bmp>"},
        Scenario{"findmark_46_wide_80_tall", "findmark <input:vision-46-wide-80-tall.bmp>"},
        // Ink 110 on paper 150: the threshold, 4 x (ink bin 0 + paper bin 18) = 72, lies below
        // both.
        Scenario{"findmark_low_contrast", "findmark <input:vision-low-contrast.bmp>"},
        // Squares at columns 200 and 400: side by side no mark; the right one 60 rows lower, the
        // left one's rows win (222, 223).
        Scenario{"findmark_two_side_by_side", "findmark <input:vision-two-side-by-side.bmp>"},
        Scenario{"findmark_lower_second_square", "findmark <input:vision-lower-second-square.bmp>"},
        // Light on dark: the run's search finds nothing, the calibration read's finds (322, 223).
        // Its offsets in tenths of a millimetre: X is 65 plus the row's offset from 240, Y is 80
        // less the column's offset from 320, each offset times 40/mpix, both cut towards zero:
        // X 50 Y 78 here, (65, 80) for a square at the centre (320, 240), (85, 59) for a 43-pixel
        // one at (343.5, 263.5); a read that finds nothing gives (0, 165) at mpix 149, (11, 151)
        // at 180.
        Scenario{"findmark_light_on_dark", "findmark <input:vision-light-on-dark.bmp>"},
        Scenario{"findmark_calibration_light",
                 "findmark <input:vision-light-on-dark.bmp> --calibration"},
        Scenario{"findmark_calibration_centred",
                 "findmark <input:vision-cut-square-centred.bmp> --calibration --json"},
        Scenario{"findmark_calibration_off_centre",
                 "findmark <input:vision-cut-square-off-centre.bmp> --calibration"},
        Scenario{"findmark_calibration_mpix_149",
                 "findmark <input:vision-dark.bmp> --calibration --mpix 149"},
        Scenario{"findmark_calibration_mpix_180",
                 "findmark <input:vision-dark.bmp> --calibration --mpix 180"},
        // The sheet edge: the strongest rise along row 400, at the sheet's end also along column
        // 320; a rise's strength is the three greys before it less the three after it. Ink on
        // columns 0..299 of row 400 is a side edge at column 299 (row 240 until the sheet's end);
        // with ink on rows 0..199 of column 320 the end edge is at row 199.
        Scenario{"findmark_edge_side", "findmark <input:vision-edge-side.bmp> --edge"},
        Scenario{"findmark_edge_side_and_end",
                 "findmark <input:vision-edge-side-and-end.bmp> --edge --end-phase"},
        Scenario{"findmark_edge_end_not_in_view",
                 "findmark <input:vision-edge-side.bmp> --edge --end-phase"},
        // The side edge wants -200: 160 on paper 227 (-201), one pixel of it 161 (-200), two
        // (-199). A fall, 250 on paper 0, is no edge however strong.
        Scenario{"findmark_edge_side_201", "findmark <input:vision-edge-side-201.bmp> --edge"},
        Scenario{"findmark_edge_side_200", "findmark <input:vision-edge-side-200.bmp> --edge"},
        Scenario{"findmark_edge_side_199", "findmark <input:vision-edge-side-199.bmp> --edge"},
        Scenario{"findmark_edge_a_fall", "findmark <input:vision-edge-a-fall.bmp> --edge"},
        // The end edge wants -150: 177 on paper 227 (-150), one pixel of it 178 (-149).
        Scenario{"findmark_edge_end_150",
                 "findmark <input:vision-edge-end-150.bmp> --edge --end-phase"},
        Scenario{"findmark_edge_end_149",
                 "findmark <input:vision-edge-end-149.bmp> --edge --end-phase"},
        // Files findmark refuses, each with its reason: a 2x2 frame of 70 bytes and that frame
        // altered, then a file that is not there and a directory.
        Scenario{"findmark_refuses_empty_file", "findmark <input:vision-refused-empty.bmp>"},
        Scenario{"findmark_refuses_postscript", "findmark <input:vision-refused-postscript.bmp>"},
        Scenario{"findmark_refuses_small_frame", "findmark <input:vision-refused-small-frame.bmp>"},
        Scenario{"findmark_refuses_byte_short", "findmark <input:vision-refused-truncated.bmp>"},
        Scenario{"findmark_refuses_top_down", "findmark <input:vision-refused-top-down.bmp>"},
        Scenario{"findmark_refuses_32_bits", "findmark <input:vision-refused-32-bit.bmp>"},
        Scenario{"findmark_refuses_compression", "findmark <input:vision-refused-compressed.bmp>"},
        Scenario{"findmark_refuses_huge_width", "findmark <input:vision-refused-huge-width.bmp>"},
        Scenario{"findmark_refuses_far_pixels", "findmark <input:vision-refused-far-pixels.bmp>"},
        Scenario{"findmark_refuses_long_header", "findmark <input:vision-refused-long-header.bmp>"},
        Scenario{"findmark_refuses_absent_file", "findmark absent.bmp"},
        Scenario{"findmark_refuses_directory", "findmark /"}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvex::test
