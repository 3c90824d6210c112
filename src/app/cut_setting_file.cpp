// Cut-setting files and the Options dialog's flow.
#include "app/cut_setting_file.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "app/jobs_report.h"
#include "app/text_scan.h"
#include "core/atomic_file.h"

namespace orvex {
namespace {

constexpr int kMinDefaultSpeed = 1;
constexpr int kMaxDefaultSpeed = 60;
constexpr int kDefaultSpeedEdit = 1070;
// Far more than 25 values with any sane spacing.
constexpr std::size_t kCutSettingReadLimit = 64 * 1024;

// Zero-based positions of the values in the file.
enum Field : std::size_t {
  kCompensationLeft, kCompensationRight, kHeight, kWidth,
  kUplift, kInsertion,
  kDashCutLength, kDashUpLength, kDashSpeed, kDashForce, kPassSelection,
  kSpecialSelection, kSpecialCutLength, kSpecialUpLength, kSpecialSpeed, kSpecialForce,
  kMultipleSelection, kSpacing,
  kFirstMarkerTenths, kCutForce, kDefaultSpeed, kReverse,
  kDashedLineOn, kWithoutMarks, kCrossTenths,
};

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// The part of the name after its last dot, as the file dialog reports it.
std::string ExtensionOf(const std::string& name) {
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace

std::string FormatCutSetting(const CutSettingArray& v) {
  char line[400];
  std::snprintf(line, sizeof line,
                "%i %i %i %i  %i %i  %i %i %i %i %i  %i %i %i %i %i %i %i  %i %i %i %i  %i %i %i",
                v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11], v[12],
                v[13], v[14], v[15], v[16], v[17], v[18], v[19], v[20], v[21], v[22], v[23],
                v[24]);
  return line;
}

std::optional<CutSettingValues> ParseCutSetting(std::string_view text) {
  CutSettingValues file;
  text::Scanner scanner(text);
  std::size_t count = 0;
  while (count < kCutSettingValues) {
    std::optional<int> value = scanner.Int();
    if (!value) break;
    file.values[count++] = *value;
  }
  if (count < kCutSettingRequired) return std::nullopt;
  file.hasCrossPosition = count == kCutSettingValues;
  return file;
}

int TenthsOf(double value) {
  double tenths = value * 10.0;
  // n / 10 times 10 may come out a rounding error below n; that error is far below 1e-6.
  tenths += tenths >= 0 ? 1e-6 : -1e-6;
  tenths = std::trunc(tenths);
  if (std::isnan(tenths)) return 0;
  if (tenths <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  if (tenths >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(tenths);
}

CutSettingArray CollectCutSetting(const RunContext& run, const MainWindowFields& f) {
  CutSettingArray v{};
  v[kCompensationLeft] = f.compensationLeft;
  v[kCompensationRight] = f.compensationRight;
  v[kHeight] = f.height;
  v[kWidth] = f.width;
  v[kUplift] = f.uplift;
  v[kInsertion] = f.insertion;
  v[kDashCutLength] = f.dashCutLength;
  v[kDashUpLength] = f.dashUpLength;
  v[kDashSpeed] = f.dashSpeed;
  v[kDashForce] = f.dashForce;
  v[kPassSelection] = f.passSelection;
  v[kSpecialSelection] = f.specialSelection;
  v[kSpecialCutLength] = f.specialCutLength;
  v[kSpecialUpLength] = f.specialUpLength;
  v[kSpecialSpeed] = f.specialSpeed;
  v[kSpecialForce] = f.specialForce;
  v[kMultipleSelection] = f.multipleSelection;
  v[kSpacing] = f.spacing;
  v[kFirstMarkerTenths] = TenthsOf(f.firstMarker);
  v[kCutForce] = f.cutForce;
  v[kDefaultSpeed] = run.defaultSpeed;
  v[kReverse] = run.reverseOrder;
  v[kDashedLineOn] = f.dashedLineOn;
  v[kWithoutMarks] = f.withoutMarks;
  v[kCrossTenths] = TenthsOf(f.firstMarkerCross);
  return v;
}

void ApplyCutSetting(const CutSettingValues& file, RunContext& run, MainWindowFields& f,
                     DialogView& view, MainWindowCommands& commands) {
  const CutSettingArray& v = file.values;
  f.compensationLeft = v[kCompensationLeft];
  f.compensationRight = v[kCompensationRight];
  f.height = v[kHeight];
  f.width = v[kWidth];
  f.uplift = v[kUplift];
  f.insertion = v[kInsertion];
  f.dashCutLength = v[kDashCutLength];
  f.dashUpLength = v[kDashUpLength];
  f.dashSpeed = v[kDashSpeed];
  f.dashForce = v[kDashForce];
  f.specialCutLength = v[kSpecialCutLength];
  f.specialUpLength = v[kSpecialUpLength];
  f.specialSpeed = v[kSpecialSpeed];
  f.specialForce = v[kSpecialForce];
  f.spacing = v[kSpacing];
  f.cutForce = v[kCutForce];
  run.defaultSpeed = v[kDefaultSpeed];
  run.reverseOrder = v[kReverse];

  f.firstMarker = v[kFirstMarkerTenths] / 10.0;
  if (file.hasCrossPosition && v[kCrossTenths] > 0) f.firstMarkerCross = v[kCrossTenths] / 10.0;

  // A file from a machine with more special modes (or a damaged one) must not leave a combo
  // box without a selection or the run with zero passes: such a selection is ignored.
  auto select = [](int& selection, int value, int entries) {
    if (value >= 0 && value < entries) {
      selection = value;
      return true;
    }
    return false;
  };
  select(f.passSelection, v[kPassSelection], kPassEntries);
  select(f.multipleSelection, v[kMultipleSelection], kMultipleEntries);
  const int specialEntries = kSpecialBaseEntries + (run.creasingInstalled != 0 ? 1 : 0) +
                             (run.creasingInstalled != 0 && run.frontCreasing != 0 ? 1 : 0);
  const bool specialTaken = select(f.specialSelection, v[kSpecialSelection], specialEntries);

  f.withoutMarks = v[kWithoutMarks];
  view.ShowFields(f);

  const int dashedLineOn = v[kDashedLineOn] != 0 ? 1 : 0;
  if (dashedLineOn != f.dashedLineOn) {
    f.dashedLineOn = dashedLineOn;
    view.ShowFields(f);
    commands.DashedLineModeChanged();
  }
  if (specialTaken && f.specialSelection > 0) commands.SpecialModeSelected();
}

void OptionsDialog::OnInit(OptionsDialogView& view) {
  fields_.defaultSpeed = defaultSpeedIn_;
  fields_.directionSorting = reverseIn_ != 0 ? 0 : 1;
  run_.optionsOutcome = 0;
  view.ShowFields(fields_);
}

void OptionsDialog::OnDefaultSpeedLeft(OptionsDialogView& view) { view.TakeFields(fields_); }

bool OptionsDialog::OnOk(OptionsDialogView& view) {
  view.TakeFields(fields_);
  if (fields_.defaultSpeed < kMinDefaultSpeed || fields_.defaultSpeed > kMaxDefaultSpeed) {
    view.ShowRangeMessage(kDefaultSpeedEdit, kMinDefaultSpeed, kMaxDefaultSpeed);
    return false;
  }
  defaultSpeedOut_ = fields_.defaultSpeed;
  reverseOut_ = fields_.directionSorting != 0 ? 0 : 1;
  return true;
}

bool OptionsDialog::Choose(const ChosenFile& file, int outcome, OptionsDialogView& view) {
  name_ = FileNameOf(file.path);
  extension_ = ExtensionOf(name_);
  path_ = file.path;
  run_.optionsOutcome = outcome;
  if (OnOk(view)) return true;
  // The dialog stays open; nothing was chosen as far as the loader is concerned.
  run_.optionsOutcome = 0;
  return false;
}

bool OptionsDialog::OnLoadCutSetting(OptionsDialogView& view) {
  if (jobPathLength_ < 2) {
    view.ShowMessage("No Graphic file is loaded", "", MessageIcon::kInformation);
    return false;
  }
  std::optional<ChosenFile> file = view.OpenCutSettingFile();
  if (!file) return false;
  return Choose(*file, 1, view);
}

bool OptionsDialog::OnSaveCutSetting(OptionsDialogView& view) {
  std::optional<ChosenFile> file = view.SaveCutSettingFile();
  if (!file) return false;
  if (!Choose(*file, 2, view)) return false;
  if (extension_ != "cst") path_ += ".cst";
  return true;
}

void OptionsDialog::OnJobsReport(OptionsDialogView& view) {
  JobsReportDialog report(reportFile_);
  view.RunJobsReport(report);
}

void MoreOptions(RunContext& run, MainWindowFields& fields, DialogView& view,
                 SettingsStore& store, MainWindowCommands& commands, const WorkDir& workDir) {
  view.TakeFields(fields);
  OptionsDialog dialog(run, run.defaultSpeed, run.reverseOrder, run.currentJobPath.size(),
                       workDir.File(workfile::kReport));
  if (!view.RunOptionsDialog(dialog)) return;

  run.defaultSpeed = dialog.DefaultSpeedOut();
  store.WriteOptions(dialog.DefaultSpeedOut(), dialog.ReverseOut());

  const std::string caption = std::string(kCaptionPrefix) + dialog.ChosenName();
  switch (dialog.Outcome()) {
    case 1: {
      std::optional<std::string> text = text::ReadFileHead(dialog.ChosenPath(), kCutSettingReadLimit);
      std::optional<CutSettingValues> file;
      if (text) file = ParseCutSetting(*text);
      if (!file) {
        view.ShowMessage("Cannot read cut setting file", "", MessageIcon::kInformation);
        // Nothing was loaded, so the job's own recent settings still apply at the next load.
        run.optionsOutcome = 0;
        return;
      }
      ApplyCutSetting(*file, run, fields, view, commands);
      view.SetWindowCaption(caption);
      commands.ReloadJob();
      return;
    }
    case 2: {
      const std::string line = FormatCutSetting(CollectCutSetting(run, fields));
      if (!WriteFileAtomically(dialog.ChosenPath(), line)) {
        view.ShowMessage("Cannot write cut setting file", "", MessageIcon::kInformation);
        return;
      }
      view.SetWindowCaption(caption);
      return;
    }
    default:
      if (dialog.ReverseOut() != run.reverseOrder) {
        run.optionsOutcome = 1;
        // Taken before the reload, so that anything the reload orders sees the new setting.
        run.reverseOrder = dialog.ReverseOut();
        commands.ReloadJob();
      }
      return;
  }
}

}  // namespace orvex
