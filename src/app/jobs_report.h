// The jobs report: the report.dat and angle.dat logs a finished run appends to, and
// the report dialog's list, newest run first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/dialog_view.h"
#include "core/file_failure.h"
#include "core/work_dir.h"

namespace orvex {

// The list's text buffer holds 255 bytes; a record claiming more is damage.
inline constexpr int kMaxReportPathBytes = 255;

struct ReportEntry {
  std::string path;
  int sheets = 0;
  int seconds = 0;
};

// "%i %s %i %i\n" with the path's length in bytes. A path longer than the list can show is
// stored shortened from the front ("..." and its last bytes), so the record stays readable and
// does not hide the runs after it.
std::string FormatReportLine(std::string_view jobPath, int sheets, int seconds);
// skewSum × 5720 / sheets, truncated toward zero.
int AngleValue(double skewSum, int sheets);
// "%i:%02i:%02i " of a duration in seconds.
std::string FormatRunTime(int seconds);

// Appends `line` with one write call, so a kill never leaves part of it; a write that the disk
// cut short is taken back. With `create` false a missing file stays missing (false, and no
// failure: the log is simply not kept). Any other failure is recorded in `failure`.
bool AppendLine(const std::filesystem::path& file, std::string_view line, bool create,
                FileFailure* failure = nullptr);

// Appends a finished run's angle-log line (only to a log that exists) and its jobs-report line.
// Returns the operator's message when either could not be written: the file, the system's
// reason and the lost line, so it can be noted by hand. Empty when everything was written.
std::string AppendRunRecords(const WorkDir& workDir, std::string_view angleLine,
                             std::string_view reportLine);

// The records in file order. Reading stops at the first record that is damaged (a length
// field that is not a number, negative, above kMaxReportPathBytes, or runs past the end; counts
// that are not numbers); everything before it is returned. The file is never written.
std::vector<ReportEntry> ReadJobsReport(const std::filesystem::path& file);
// The same over the file's bytes.
std::vector<ReportEntry> ParseJobsReport(std::string_view contents);

// The jobs report dialog (template 172) as a model.
class JobsReportDialog {
 public:
  explicit JobsReportDialog(std::filesystem::path reportFile) : file_(std::move(reportFile)) {}

  void OnInit(JobsReportView& view);
  // The dialog's 120 ms timer (id 20): the list is filled once, about 240 ms after opening.
  void OnTick(JobsReportView& view);
  // The hidden button 1035: the rows are added once more.
  void OnFillAgain(JobsReportView& view);

 private:
  void Fill(JobsReportView& view);

  std::filesystem::path file_;
  int ticks_ = 0;
  bool columnsAdded_ = false;
};

}  // namespace orvex
