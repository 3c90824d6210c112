// Start-up steps, the deferred set-up and the close request.
#include "app/startup.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

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

// A decimal integer as a formatted read takes it: white space before it skipped, an optional
// sign, digits; the white space after it is skipped too. nullopt without digits or when the
// number does not fit an int.
std::optional<long> ScanInt(std::FILE* in) {
  int c = std::fgetc(in);
  while (c != EOF && std::isspace(c) != 0) c = std::fgetc(in);
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = std::fgetc(in);
  }
  long value = 0;
  bool digits = false;
  while (c != EOF && std::isdigit(c) != 0) {
    digits = true;
    value = value * 10 + (c - '0');
    if (value > static_cast<long>(std::numeric_limits<int>::max()) + 1) return std::nullopt;
    c = std::fgetc(in);
  }
  if (!digits) return std::nullopt;
  while (c != EOF && std::isspace(c) != 0) c = std::fgetc(in);
  if (c != EOF) std::ungetc(c, in);
  value = negative ? -value : value;
  if (value > std::numeric_limits<int>::max()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<std::string> ReadBrandingTitle(const std::filesystem::path& file) {
  FilePtr in = OpenForReading(file);
  if (!in) return std::nullopt;
  if (std::fseek(in.get(), kBrandingOffset, SEEK_SET) != 0) return std::nullopt;
  std::optional<long> count = ScanInt(in.get());
  if (!count || *count < 0) return std::nullopt;
  // n + 1 characters, but never more than the title holds.
  std::size_t wanted = static_cast<std::size_t>(*count) + 1;
  if (wanted > kMaxTitleLength) wanted = kMaxTitleLength;
  std::string title;
  for (std::size_t i = 0; i < wanted; ++i) {
    int c = std::fgetc(in.get());
    if (c == EOF) break;
    title.push_back(static_cast<char>(c));
  }
  return title;
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
