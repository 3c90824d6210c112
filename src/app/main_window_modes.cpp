// The cut modes the operator picks: mark reading, passes, the special tool and its lines,
// multiple lines, dashed line, copies.
#include "app/main_window_model.h"

namespace orvex {
namespace {

using namespace window_id;

constexpr int kDashedSpecialSpeed = 12;
constexpr int kOtherSpecialSpeed = 40;
constexpr int kCreasingToolForce = 38;
constexpr int kBladeCreasingForce = 12;

}  // namespace

void MainWindowModel::OnEnterCopies() {
  TakeFields();
  const bool on = fields_.copiesEntered != 0;
  Enable(kCopiesEdit, on);
  Enable(kWithoutMarksCheck, on);
}

void MainWindowModel::OnWithoutMarks() {
  TakeFields();
}

void MainWindowModel::DashedLineMode() {
  const bool on = fields_.dashedLineOn != 0;
  for (int id : {kDashCutEdit, kDashUpEdit, kCutForceEdit, kCutForceSpin}) Enable(id, !on);
  // Switching the mode on is what hands the dashed-line lengths to the cutter.
  if (on) SendCutterCommand(kDashedSetup);
  Enable(kStartButton, false);
}

void MainWindowModel::OnDashedLine() {
  TakeFields();
  DashedLineMode();
}

void MainWindowModel::OnMarkModeChanged() {
  int index = view_.ComboSelection(kMarkModeCombo);
  if (index < 0) return;
  fields_.markModeSelection = index;
  run_.markMode = index;
  fields_.withoutMarks = index > 0 ? 1 : 0;
}

void MainWindowModel::OnPassChanged() {
  int index = view_.ComboSelection(kPassCombo);
  if (index < 0) return;
  fields_.passSelection = index;
  run_.passes = index + 1;
}

void MainWindowModel::OnSpecialModeChanged() {
  SpecialModeChanged();
}

void MainWindowModel::SpecialModeChanged() {
  TakeFields();
  Enable(kStartButton, false);
  const int mode = fields_.specialSelection;
  run_.specialMode = mode;
  const bool fromOperator = run_.optionsOutcome == 0;
  if (mode == 0) {
    Enable(kSpecialCutEdit, true);
    Enable(kSpecialUpEdit, true);
    if (fromOperator) fields_.specialSpeed = kDashedSpecialSpeed;
  } else {
    Enable(kSpecialCutEdit, false);
    Enable(kSpecialUpEdit, false);
    if (fromOperator) fields_.specialSpeed = kOtherSpecialSpeed;
  }
  bool reload = false;
  if (mode >= 2 && mode <= 4) {
    Show(kFirstMarkerCrossEdit, true);
    Show(kFirstMarkerCrossLabel, true);
    for (int id : {kMultipleCombo, kMultipleLabel, kSpacingEdit, kSpacingLabel}) Enable(id, true);
  } else {
    Show(kFirstMarkerCrossEdit, false);
    Show(kFirstMarkerCrossLabel, false);
    Show(kCutterWidthEdit, true);
    Show(kCutterWidthLabel, true);
    for (int id : {kMultipleCombo, kMultipleLabel, kSpacingEdit, kSpacingLabel}) {
      Enable(id, false);
    }
    SelectCombo(kMultipleCombo, 0);
    if (run_.multiLineCount >= 2) {
      run_.multiLineCount = 1;
      // Inside a load the load under way is the reload; a reopen request left set would turn
      // the operator's next File Open into a silent reload.
      reload = !loading_;
    }
  }
  if (fromOperator && mode == 3) fields_.specialForce = kCreasingToolForce;
  if (fromOperator && mode == 2) fields_.specialForce = kBladeCreasingForce;
  if (mode == 1) {
    Enable(kSpecialCutEdit, false);
    Enable(kSpecialUpEdit, false);
  }
  ShowFields();
  if (reload) Reload();
}

void MainWindowModel::OnMultipleChanged() {
  TakeFields();
  Reload();
}

}  // namespace orvex
