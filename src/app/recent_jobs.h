// recent.dat: one line per job path with the job's last cut settings, rewritten at every Start
// and applied again when the job is loaded. Lines are keyed by the job path, byte for byte.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/main_window_fields.h"
#include "core/run_context.h"
#include "import/loader_view.h"

namespace orvex {

inline constexpr std::size_t kMaxRecentPathBytes = 255;
inline constexpr std::size_t kRecentNumbers = 14;
inline constexpr std::size_t kRecentSlackBytes = 20;  // 49 A's of a new line against B..C's 29

struct RecentEntry {
  std::string path;
  // Compensation L, R, height, dashed cut length, dashed up length, dashed speed, pass
  // selection, blade up, first-marker millimetres, cut force, width, then 12, 13, 14.
  std::array<int, kRecentNumbers> values{};
};

// The settings a Start stores for the current job.
RecentEntry RecentEntryFor(const RunContext& run, const MainWindowFields& fields);

// The line of a job seen for the first time, line end included.
std::string FormatNewRecentLine(const RecentEntry& entry);
// The text written over the start of a known job's line (no line end: the old line's rest stays).
std::string FormatRewrittenRecentText(const RecentEntry& entry);
// One line without its line end; nullopt when it is not in the format or its path is too long.
std::optional<RecentEntry> ParseRecentLine(std::string_view line);

enum class RecentUpdate {
  kCreated,         // the file did not exist
  kAppended,        // a new job's line at the end
  kRewrittenInPlace,  // the job's line overwritten from its first byte, its length unchanged
  kLineReplaced,    // the new text did not fit the old line: the line replaced, file rewritten
  kNotStored,       // the path cannot be keyed (too long, or holds a line end)
  kFailed,          // the file could not be read or written; it is unchanged
};

// The file's new bytes after storing `entry` in `contents`, and how it was stored (never
// kCreated, kNotStored or kFailed).
std::pair<std::string, RecentUpdate> UpdatedRecentContents(std::string_view contents,
                                                           const RecentEntry& entry);
// The first well-formed line for `jobPath` in `contents`.
std::optional<RecentEntry> FindRecentEntry(std::string_view contents, std::string_view jobPath);

class RecentJobsFile : public RecentJobs {
 public:
  // The window's fields that a restore sets, and the run record that says how (unit) and
  // whether (the Options outcome) to set them.
  RecentJobsFile(std::filesystem::path file, const RunContext& run, MainWindowFields& fields)
      : file_(std::move(file)), run_(run), fields_(fields) {}

  // Start: store the entry under its path. Every change goes through a temporary file and a
  // rename, so a kill leaves the old file or the new one; lines that are not in the format
  // are kept byte for byte.
  RecentUpdate Update(const RecentEntry& entry);
  // The first well-formed line for `jobPath`, if any.
  std::optional<RecentEntry> Find(std::string_view jobPath) const;
  // The loader's restore hook: applies the job's stored settings to the window's fields.
  // Nothing happens while the last Options dialog's outcome is not 0 (a cut-setting file's
  // values have precedence) or when the job has no line.
  void RestoreFor(const std::string& jobPath) override { Restore(jobPath); }
  // As RestoreFor; true when fields were set.
  bool Restore(std::string_view jobPath);

  const std::filesystem::path& File() const { return file_; }

 private:
  std::filesystem::path file_;
  const RunContext& run_;
  MainWindowFields& fields_;
};

}  // namespace orvex
