// Cut-setting files (.cst): a named set of the main window's cut parameters on one line of 25
// integers, and the "More Options" exchange that saves and loads them.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/dialog_view.h"
#include "app/main_window_fields.h"
#include "app/settings_store.h"
#include "core/run_context.h"
#include "core/work_dir.h"

namespace orvex {

inline constexpr std::size_t kCutSettingValues = 25;
inline constexpr std::size_t kCutSettingRequired = 24;  // the cross position came later
inline constexpr std::string_view kCaptionPrefix = "- Orvex Plus - ";

using CutSettingArray = std::array<int, kCutSettingValues>;

struct CutSettingValues {
  CutSettingArray values{};
  bool hasCrossPosition = false;  // value 25 was actually in the file
};

// The line as it is written: single spaces, two between the groups of 4, 2, 5, 7, 4 and 3
// values, no line end.
std::string FormatCutSetting(const CutSettingArray& values);
// At least 24 decimal integers separated by white space; a 25th is taken only when it is there
// and whole. nullopt for anything that is not such a file.
std::optional<CutSettingValues> ParseCutSetting(std::string_view text);

// A real field times ten, truncated toward zero. A value that came from a file as n / 10 is
// never a hair below n after the multiplication, so loading and saving keeps it.
int TenthsOf(double value);

// The 25 values of the current settings, in the file's order.
CutSettingArray CollectCutSetting(const RunContext& run, const MainWindowFields& fields);

// The main window's commands that loading a cut-setting file or changing the reorder setting
// sets off; the main-window model implements them.
class MainWindowCommands {
 public:
  virtual ~MainWindowCommands() = default;
  // File Open in reload mode: the current job laid out again.
  virtual void ReloadJob() = 0;
  // The "Enable" check's command after the dashed-line mode changed.
  virtual void DashedLineModeChanged() = 0;
  // The special-mode combo box's selection command.
  virtual void SpecialModeSelected() = 0;
};

// Applies a parsed file to the settings and the window, as loading does (combo selections
// outside their entries are ignored). Runs the dashed-line and special-mode commands as needed.
void ApplyCutSetting(const CutSettingValues& file, RunContext& run, MainWindowFields& fields,
                     DialogView& view, MainWindowCommands& commands);

// The Options dialog (template 187) as a model over its view.
class OptionsDialog {
 public:
  OptionsDialog(RunContext& run, int defaultSpeed, int reverse, std::size_t jobPathLength,
                std::filesystem::path reportFile)
      : run_(run),
        defaultSpeedIn_(defaultSpeed),
        reverseIn_(reverse),
        jobPathLength_(jobPathLength),
        reportFile_(std::move(reportFile)) {}

  void OnInit(OptionsDialogView& view);
  // The buttons; each returns true when the dialog is to close with OK.
  bool OnLoadCutSetting(OptionsDialogView& view);
  bool OnSaveCutSetting(OptionsDialogView& view);
  void OnJobsReport(OptionsDialogView& view);
  bool OnOk(OptionsDialogView& view);
  // Focus leaving "Default Speed".
  void OnDefaultSpeedLeft(OptionsDialogView& view);

  int Outcome() const { return run_.optionsOutcome; }
  int DefaultSpeedOut() const { return defaultSpeedOut_; }
  int ReverseOut() const { return reverseOut_; }
  const std::string& ChosenPath() const { return path_; }
  const std::string& ChosenName() const { return name_; }

 private:
  bool Choose(const ChosenFile& file, int outcome, OptionsDialogView& view);

  RunContext& run_;
  int defaultSpeedIn_;
  int reverseIn_;
  std::size_t jobPathLength_;
  std::filesystem::path reportFile_;
  OptionsFields fields_;
  int defaultSpeedOut_ = 0;
  int reverseOut_ = 0;
  std::string path_;
  std::string name_;
  std::string extension_;
};

// The outcome of the last Options dialog, for File Open and the special-mode selection: while
// it is not 0 the job's recent settings are not applied.
inline int OptionsOutcome(const RunContext& run) {
  return run.optionsOutcome;
}

// "More Options": the whole exchange with the Options dialog and its results.
void MoreOptions(RunContext& run, MainWindowFields& fields, DialogView& view, SettingsStore& store,
                 MainWindowCommands& commands, const WorkDir& workDir);

}  // namespace orvex
