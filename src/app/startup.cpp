// Start-up steps, the deferred set-up and the close request.
#include "app/startup.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/text_scan.h"

namespace orvex {
namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr OpenForReading(const std::filesystem::path& file) {
  return FilePtr(std::fopen(file.c_str(), "rb"), &std::fclose);
}

bool Exists(const std::filesystem::path& file) {
  std::error_code error;
  return std::filesystem::is_regular_file(file, error);
}

// The count and the title sit within the first bytes after the offset; white space before the
// count beyond this is not a branding file.
constexpr std::size_t kBrandingReadLimit = 64 * 1024;

}  // namespace

std::optional<std::string> ParseBrandingTitle(std::string_view fromOffset) {
  text::Scanner in(fromOffset);
  std::optional<int> count = in.Int();
  if (!count || *count < 0) return std::nullopt;
  in.SkipSpace();  // the count's format skips the white space after it
  // n + 1 characters, but never more than the title holds nor than the file has.
  std::size_t wanted = std::min(static_cast<std::size_t>(*count) + 1, kMaxTitleLength);
  wanted = std::min(wanted, fromOffset.size() - in.Position());
  return std::string(*in.Take(wanted));
}

std::optional<std::string> ReadBrandingTitle(const std::filesystem::path& file) {
  FilePtr in = OpenForReading(file);
  if (!in) return std::nullopt;
  if (std::fseek(in.get(), kBrandingOffset, SEEK_SET) != 0) return std::nullopt;
  std::string head(kBrandingReadLimit, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), in.get()));
  if (std::ferror(in.get()) != 0) return std::nullopt;
  return ParseBrandingTitle(head);
}

int ReadCreasingVariant(const std::filesystem::path& file) {
  FilePtr in = OpenForReading(file);
  if (!in) return 1;
  double value = 0.0;
  if (std::fscanf(in.get(), "%lf", &value) != 1) return 1;
  return value == 2.0 ? 2 : 1;
}

void Startup::Initialise(PdfConverter& pdf) {
  LoadFirstSettings();
  ApplyBranding();
  ProbePdf(pdf);
  LoadRemainingSettings();
  ShowFieldsAndSelectFirst();
  ApplyCreasingFeatures();
  ApplyToolFeatures();
}

void Startup::LoadFirstSettings() { store_.LoadStartupOffsets(run_); }

void Startup::ApplyBranding() {
  const std::filesystem::path file = workDir_.File(workfile::kBranding);
  if (!Exists(file)) return;
  if (std::optional<std::string> title = ReadBrandingTitle(file)) {
    run_.customTitle = *title;
    run_.customTitleRead = true;
    view_.SetWindowCaption(*title);
    view_.SetSystemMenuItemText(*title);
  }
  view_.ShowSplash(kVersionText);
}

void Startup::ProbePdf(PdfConverter& pdf) { run_.pdfAvailable = pdf.Available() ? 1 : 0; }

void Startup::LoadRemainingSettings() {
  store_.LoadStartupRest(run_, fields_);
  view_.SetControlText(window_id::kLastJobLine, fields_.lastJob);
}

void Startup::ShowFieldsAndSelectFirst() {
  fields_.markModeSelection = 0;
  fields_.specialSelection = 0;
  fields_.passSelection = 0;
  fields_.multipleSelection = 0;
  view_.ShowFields(fields_);
}

void Startup::ApplyCreasingFeatures() {
  const std::filesystem::path creasing = workDir_.File(workfile::kReverseVariant);
  if (!Exists(creasing)) return;
  run_.creasingInstalled = 1;
  run_.creasingVariant = ReadCreasingVariant(creasing);
  view_.AddComboEntry(window_id::kSpecialModeCombo, "Tool Creasing");
  if (Exists(workDir_.File(workfile::kFrontCamera))) {
    run_.frontCreasing = 1;
    view_.AddComboEntry(window_id::kSpecialModeCombo, "Front Tool Creasing");
  }
}

void Startup::ApplyToolFeatures() {
  const bool testButtons = Exists(workDir_.File(workfile::kTestFeature));
  run_.testFeature = testButtons ? 1 : 0;
  view_.ShowControl(window_id::kCycleButton, testButtons);
  view_.ShowControl(window_id::kCreaseButton, testButtons);
  view_.ShowControl(window_id::kBladeButton, testButtons);
  if (Exists(workDir_.File(workfile::kHundredFeature))) run_.wideCarriage = 1;
}

void Startup::DeferredSetup() {
  view_.SetControlText(window_id::kFirstMarkerCaption, "First Marker");
  view_.SetControlText(window_id::kCalibrationButton, "Calibration");
  if (run_.unitFlag == 0) {
    view_.SetControlText(window_id::kUnitLabelFirstMarker, "inch");
    view_.SetControlText(window_id::kUnitLabelCutterWidth, "inch");
    run_.unitFactor = kMillimetresPerInch;
    fields_.firstMarker = DisplayedFirstMarker(fields_.firstMarker, run_.unitFactor);
    view_.ShowFields(fields_);
  } else {
    run_.unitFactor = 1.0;
  }
}

bool Startup::CloseRequest() {
  // Whatever happens to the window, the operator's uplift and insertion survive it; a field
  // refused by its range keeps the member's last good value.
  view_.TakeFields(fields_);
  store_.WriteAtClose(fields_);
  if (run_.waitingForMark != 0) {
    run_.exitRequested = 1;
    run_.waitingForMark = 0;
    return false;
  }
  return true;
}

}  // namespace orvex
