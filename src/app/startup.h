// Start-up and the window's end: the feature files of the working directory, the branding
// title, the settings load in its order, the deferred set-up on the eleventh tick, and the
// close request's writes. The main-window model calls these at their places in its
// initialisation; the camera, timer and drawing steps between them are not here.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/dialog_view.h"
#include "app/main_window_fields.h"
#include "app/settings_store.h"
#include "core/pdf_converter.h"
#include "core/run_context.h"
#include "core/work_dir.h"

namespace orvex {

inline constexpr std::string_view kVersionText = "Version 9.8.0";
inline constexpr std::string_view kTemplateCaption = "- Orvex Plus 1.0 - ";
inline constexpr long kBrandingOffset = 36160;
inline constexpr std::size_t kMaxTitleLength = 80;

// The title of a branding file: the count n at kBrandingOffset, then n + 1 characters exactly
// as stored, at most kMaxTitleLength. nullopt when the file cannot be read there or the count
// is missing or negative.
std::optional<std::string> ReadBrandingTitle(const std::filesystem::path& file);
// The same over the bytes from the offset on.
std::optional<std::string> ParseBrandingTitle(std::string_view fromOffset);

// revc.dat's first number: 2 selects the second creasing variant, anything else the first.
int ReadCreasingVariant(const std::filesystem::path& file);

class Startup {
 public:
  Startup(RunContext& run, MainWindowFields& fields, DialogView& view, SettingsStore& store,
          const WorkDir& workDir)
      : run_(run), fields_(fields), view_(view), store_(store), workDir_(workDir) {}

  // The whole initialisation as far as it concerns these files and settings, in its order.
  void Initialise(PdfConverter& pdf);

  // The single steps, for a caller that interleaves its own.
  void LoadFirstSettings();           // deltaX, deltaY, defSpeed
  void ApplyBranding();               // xdevcap.dxt: title, caption, menu item, splash
  void ProbePdf(PdfConverter& pdf);   // PDF import offered only with a converter
  void LoadRemainingSettings();       // mpix .. LastJob, markScale, the last-job line
  void ShowFieldsAndSelectFirst();    // members to the controls, first combo entries
  void ApplyCreasingFeatures();       // revc.dat, frontc.dat
  void ApplyToolFeatures();           // testc.dat, 100.dat

  // The one-time set-up on the eleventh tick: captions, unit labels, the inch conversion of
  // the first-marker distance and unitFactor.
  void DeferredSetup();

  // The close request. Takes the controls into the members and writes discesa and inser in
  // every case. Returns true when the window may close now; false when a sheet is being
  // registered, in which case the run loop ends the process at its next tick.
  bool CloseRequest();

 private:
  RunContext& run_;
  MainWindowFields& fields_;
  DialogView& view_;
  SettingsStore& store_;
  const WorkDir& workDir_;
};

}  // namespace orvex
