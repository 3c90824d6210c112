// recent.dat: formats, the line-keyed update and the restore at load.
#include "app/recent_jobs.h"

#include <system_error>

#include "app/settings_store.h"
#include "app/text_scan.h"
#include "core/atomic_file.h"

namespace orvex {
namespace {

constexpr std::string_view kNewPadding = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA\n";
constexpr std::string_view kRewritePadding = "BBBBBBBBBBBBBBBBBBBBBBBBBBBBC";

enum Value : std::size_t {
  kCompensationLeft, kCompensationRight, kHeight, kDashCutLength, kDashUpLength, kDashSpeed,
  kPassSelection, kBladeUp, kFirstMarker, kCutForce, kWidth,
};

std::string FormatFields(const RecentEntry& entry) {
  std::string text = std::to_string(entry.path.size()) + " " + entry.path + " ";
  for (int value : entry.values) text += std::to_string(value) + " ";
  return text;
}

bool Keyable(std::string_view path) {
  return path.size() <= kMaxRecentPathBytes && path.find('\n') == std::string_view::npos;
}

struct Line {
  std::size_t offset;
  std::size_t length;  // without the line end
};

}  // namespace

RecentEntry RecentEntryFor(const RunContext& run, const MainWindowFields& f) {
  RecentEntry entry;
  entry.path = run.currentJobPath;
  entry.values = {f.compensationLeft,
                  f.compensationRight,
                  f.height,
                  f.dashCutLength,
                  f.dashUpLength,
                  f.dashSpeed,
                  f.passSelection,
                  f.bladeUp,
                  StoredFirstMarker(f.firstMarker, run.unitFactor),
                  f.cutForce,
                  f.width,
                  12,
                  13,
                  14};
  return entry;
}

std::string FormatNewRecentLine(const RecentEntry& entry) {
  return FormatFields(entry) + std::string(kNewPadding);
}

std::string FormatRewrittenRecentText(const RecentEntry& entry) {
  return FormatFields(entry) + std::string(kRewritePadding);
}

std::optional<RecentEntry> ParseRecentLine(std::string_view line) {
  text::Scanner in(line);
  std::optional<int> length = in.Int();
  if (!length || *length < 0 || static_cast<std::size_t>(*length) > kMaxRecentPathBytes) {
    return std::nullopt;
  }
  if (!in.Expect(' ')) return std::nullopt;
  std::optional<std::string_view> path = in.Take(static_cast<std::size_t>(*length));
  if (!path || !in.Expect(' ')) return std::nullopt;
  RecentEntry entry;
  entry.path = std::string(*path);
  for (int& value : entry.values) {
    std::optional<int> number = in.Int();
    if (!number) return std::nullopt;
    value = *number;
  }
  return entry;
}

std::pair<std::string, RecentUpdate> UpdatedRecentContents(std::string_view contents,
                                                           const RecentEntry& entry) {
  std::string updated(contents);
  std::size_t offset = 0;
  while (offset < contents.size()) {
    std::size_t end = contents.find('\n', offset);
    if (end == std::string_view::npos) end = contents.size();
    const Line line{offset, end - offset};
    std::optional<RecentEntry> stored = ParseRecentLine(contents.substr(line.offset, line.length));
    if (stored && stored->path == entry.path) {
      const std::string text = FormatRewrittenRecentText(entry);
      if (text.size() <= line.length) {
        updated.replace(line.offset, text.size(), text);
        return {std::move(updated), RecentUpdate::kRewrittenInPlace};
      }
      // Overwriting in place would run into the next line; the line alone is replaced.
      updated.replace(line.offset, line.length, text);
      return {std::move(updated), RecentUpdate::kLineReplaced};
    }
    offset = end + 1;
  }
  if (!updated.empty() && updated.back() != '\n') updated.push_back('\n');
  updated += FormatNewRecentLine(entry);
  return {std::move(updated), RecentUpdate::kAppended};
}

std::optional<RecentEntry> FindRecentEntry(std::string_view contents, std::string_view jobPath) {
  std::size_t offset = 0;
  while (offset < contents.size()) {
    std::size_t end = contents.find('\n', offset);
    if (end == std::string_view::npos) end = contents.size();
    std::optional<RecentEntry> stored = ParseRecentLine(contents.substr(offset, end - offset));
    if (stored && stored->path == jobPath) return stored;
    offset = end + 1;
  }
  return std::nullopt;
}

RecentUpdate RecentJobsFile::Update(const RecentEntry& entry) {
  if (!Keyable(entry.path)) return RecentUpdate::kNotStored;
  std::error_code error;
  if (!std::filesystem::exists(file_, error)) {
    if (error) return RecentUpdate::kFailed;
    return WriteFileAtomically(file_, FormatNewRecentLine(entry)) ? RecentUpdate::kCreated
                                                                  : RecentUpdate::kFailed;
  }
  std::optional<std::string> contents = text::ReadWholeFile(file_);
  if (!contents) return RecentUpdate::kFailed;
  auto [updated, result] = UpdatedRecentContents(*contents, entry);
  return WriteFileAtomically(file_, updated) ? result : RecentUpdate::kFailed;
}

std::optional<RecentEntry> RecentJobsFile::Find(std::string_view jobPath) const {
  std::optional<std::string> contents = text::ReadWholeFile(file_);
  if (!contents) return std::nullopt;
  return FindRecentEntry(*contents, jobPath);
}

bool RecentJobsFile::Restore(std::string_view jobPath) {
  const RunContext& run = run_;
  MainWindowFields& f = fields_;
  if (run.optionsOutcome != 0) return false;
  std::optional<RecentEntry> entry = Find(jobPath);
  if (!entry) return false;
  const auto& v = entry->values;
  f.compensationLeft = v[kCompensationLeft];
  f.compensationRight = v[kCompensationRight];
  f.height = v[kHeight];
  f.dashCutLength = v[kDashCutLength];
  f.dashUpLength = v[kDashUpLength];
  f.dashSpeed = v[kDashSpeed];
  // A selection the Pass box does not have would leave the run with no passes.
  if (v[kPassSelection] >= 0 && v[kPassSelection] < kPassEntries) {
    f.passSelection = v[kPassSelection];
  }
  f.bladeUp = v[kBladeUp];
  f.firstMarker = DisplayedFirstMarker(v[kFirstMarker], run.unitFactor);
  f.cutForce = v[kCutForce];
  f.width = v[kWidth];
  return true;
}

}  // namespace orvex
