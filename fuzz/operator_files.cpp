// Fuzzes the readers of the operator's files (cut-setting files, the jobs report, recent.dat,
// the branding title) with arbitrary bytes, and checks what must hold whatever the input:
// values read back as written, no title beyond its 80 characters, a recent.dat update that
// finds its own entry again and leaves the file's length alone when it rewrites in place.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "app/cut_setting_file.h"
#include "app/jobs_report.h"
#include "app/recent_jobs.h"
#include "app/startup.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CutSetting(const std::string& text) {
  std::optional<orvex::CutSettingValues> file = orvex::ParseCutSetting(text);
  if (!file) return;
  std::optional<orvex::CutSettingValues> back =
      orvex::ParseCutSetting(orvex::FormatCutSetting(file->values));
  Check(back && back->hasCrossPosition);
  for (std::size_t i = 0; i < orvex::kCutSettingRequired; ++i) {
    Check(back->values[i] == file->values[i]);
  }
}

void Report(const std::string& text) {
  std::string rewritten;
  for (const orvex::ReportEntry& entry : orvex::ParseJobsReport(text)) {
    Check(entry.path.size() <= static_cast<std::size_t>(orvex::kMaxReportPathBytes));
    rewritten += orvex::FormatReportLine(entry.path, entry.sheets, entry.seconds);
  }
  const auto entries = orvex::ParseJobsReport(text);
  const auto again = orvex::ParseJobsReport(rewritten);
  Check(again.size() == entries.size());
  for (std::size_t i = 0; i < again.size(); ++i) Check(again[i].path == entries[i].path);
}

void Recent(FuzzedDataProvider& in) {
  orvex::RecentEntry entry;
  entry.path = in.ConsumeRandomLengthString(300);
  for (int& value : entry.values) value = in.ConsumeIntegral<int>();
  const std::string contents = in.ConsumeRemainingBytesAsString();
  orvex::FindRecentEntry(contents, entry.path);
  if (entry.path.size() > orvex::kMaxRecentPathBytes ||
      entry.path.find('\n') != std::string::npos) {
    return;  // such paths are never stored
  }
  auto [updated, how] = orvex::UpdatedRecentContents(contents, entry);
  std::optional<orvex::RecentEntry> found = orvex::FindRecentEntry(updated, entry.path);
  Check(found && found->values == entry.values);
  if (how == orvex::RecentUpdate::kRewrittenInPlace) Check(updated.size() == contents.size());
  if (how == orvex::RecentUpdate::kAppended) Check(updated.compare(0, contents.size(), contents) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      CutSetting(in.ConsumeRemainingBytesAsString());
      break;
    case 1:
      Report(in.ConsumeRemainingBytesAsString());
      break;
    case 2:
      Recent(in);
      break;
    default: {
      std::optional<std::string> title = orvex::ParseBrandingTitle(in.ConsumeRemainingBytesAsString());
      Check(!title || title->size() <= orvex::kMaxTitleLength);
      break;
    }
  }
  return 0;
}
