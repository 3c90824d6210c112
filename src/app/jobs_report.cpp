// The two logs a finished run appends to and the report dialog's list.
#include "app/jobs_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>

#include "app/text_scan.h"

namespace orvex {
namespace {

constexpr std::string_view kShortenedMark = "...";

int ClampToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  if (value >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

}  // namespace

std::string FormatReportLine(std::string_view jobPath, int sheets, int seconds) {
  std::string path(jobPath);
  if (path.size() > static_cast<std::size_t>(kMaxReportPathBytes)) {
    path = std::string(kShortenedMark) +
           path.substr(path.size() - (kMaxReportPathBytes - kShortenedMark.size()));
  }
  return std::to_string(path.size()) + " " + path + " " + std::to_string(sheets) + " " +
         std::to_string(seconds) + "\n";
}

int AngleValue(double skewSum, int sheets) {
  if (sheets == 0) return 0;
  return ClampToInt(std::trunc(skewSum * 5720 / sheets));
}

std::string FormatRunTime(int seconds) {
  char text[48];
  std::snprintf(text, sizeof text, "%i:%02i:%02i ", seconds / 3600, (seconds % 3600) / 60,
                seconds % 60);
  return text;
}

bool AppendLine(const std::filesystem::path& file, std::string_view line, bool create,
                FileFailure* failure) {
  FileFailure ignored;
  FileFailure& failed = failure != nullptr ? *failure : ignored;
  int flags = O_WRONLY | O_APPEND | O_CLOEXEC | (create ? O_CREAT : 0);
  int fd = ::open(file.c_str(), flags, 0644);
  if (fd < 0) {
    if (create || errno != ENOENT) failed.Record(file, errno);
    return false;
  }
  struct stat before {};
  const bool sized = ::fstat(fd, &before) == 0;
  ssize_t written;
  do {
    written = ::write(fd, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  bool ok = written == static_cast<ssize_t>(line.size());
  if (!ok) {
    // A short write sets no errno; it is the disk filling up.
    failed.Record(file, written < 0 ? errno : ENOSPC);
    // A full disk cut the line short: take the fragment back rather than leave half a record.
    if (written > 0 && sized && ::ftruncate(fd, before.st_size) != 0) {
      // Nothing more can be done here; the reader stops at the torn record.
    }
  }
  if (ok && ::fdatasync(fd) != 0) {
    failed.Record(file, errno);
    ok = false;
  }
  ::close(fd);
  return ok;
}

std::string AppendRunRecords(const WorkDir& workDir, std::string_view angleLine,
                             std::string_view reportLine) {
  std::string message;
  auto append = [&](std::string_view name, std::string_view line, bool create) {
    FileFailure failure;
    if (AppendLine(workDir.File(name), line, create, &failure) || !failure.Failed()) return;
    std::string shown(line);
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    if (!message.empty()) message += "\n";
    message += "The run was not recorded in " + failure.file.string() + "\n" + failure.Reason() +
               "\nPlease note its line by hand: " + shown;
  };
  append(workfile::kAngles, angleLine, false);
  append(workfile::kReport, reportLine, true);
  return message;
}

std::vector<ReportEntry> ReadJobsReport(const std::filesystem::path& file) {
  std::optional<std::string> contents = text::ReadWholeFile(file);
  if (!contents) return {};
  return ParseJobsReport(*contents);
}

std::vector<ReportEntry> ParseJobsReport(std::string_view contents) {
  std::vector<ReportEntry> entries;
  text::Scanner in(contents);
  for (;;) {
    in.SkipSpace();
    if (in.AtEnd()) break;
    std::optional<int> length = in.Int();
    if (!length || *length < 0 || *length > kMaxReportPathBytes) break;
    // One space separates the length from the path; a path may itself begin with a space.
    if (!in.Expect(' ')) break;
    std::optional<std::string_view> path = in.Take(static_cast<std::size_t>(*length));
    if (!path || !in.Expect(' ')) break;
    std::optional<int> sheets = in.Int();
    if (!sheets) break;
    std::optional<int> seconds = in.Int();
    if (!seconds) break;
    entries.push_back(ReportEntry{std::string(*path), *sheets, *seconds});
  }
  return entries;
}

void JobsReportDialog::OnInit(JobsReportView& /*view*/) { ticks_ = 0; }

void JobsReportDialog::OnTick(JobsReportView& view) {
  if (ticks_ >= 10) return;
  ++ticks_;
  if (ticks_ == 2) Fill(view);
}

void JobsReportDialog::OnFillAgain(JobsReportView& view) { Fill(view); }

void JobsReportDialog::Fill(JobsReportView& view) {
  if (!columnsAdded_) {
    view.AddColumn("Job name", 280);
    view.AddColumn("Copies", 60);
    view.AddColumn("Time", 60);
    view.EnableGridLines();
    columnsAdded_ = true;
  }
  for (const ReportEntry& entry : ReadJobsReport(file_)) {
    view.InsertRowAtTop({entry.path, std::to_string(entry.sheets) + " ",
                         FormatRunTime(entry.seconds)});
  }
}

}  // namespace orvex
