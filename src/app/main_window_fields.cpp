// The bound fields: each control with its member and range, the transfer both ways with the
// toolkit's messages, and the edits the model reacts to as the operator types or leaves a field.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/main_window_model.h"

namespace orvex {
namespace {

using namespace window_id;

BoundControl Ranged(int id, int minimum, int maximum) {
  return {id, FieldKind::kInt, minimum, maximum};
}
BoundControl Free(int id) {
  return {id, FieldKind::kInt, std::nullopt, std::nullopt};
}
BoundControl Real(int id) {
  return {id, FieldKind::kReal, std::nullopt, std::nullopt};
}
BoundControl Check(int id) {
  return {id, FieldKind::kCheck, std::nullopt, std::nullopt};
}

// Whole text as an integer, white space around it allowed, as the toolkit's transfer reads it.
std::optional<long> ParseInteger(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(begin, &end, 10);
  if (end == begin || errno == ERANGE) return std::nullopt;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return std::nullopt;
  return value;
}

std::optional<double> ParseReal(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE) return std::nullopt;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return std::nullopt;
  return value;
}

std::string FormatReal(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

bool Blank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

const std::vector<SpinRange>& SpinRanges() {
  static const std::vector<SpinRange> kSpins = {
      {kXCorrectionSpin, -100, 100},    {kYCorrectionSpin, -100, 100},
      {kCutForceSpin, -100, 100},       {kHeightSpin, -100, 100},
      {kWidthSpin, -100, 100},          {kCompensationLeftSpin, -30, 30},
      {kCompensationRightSpin, -30, 30}};
  return kSpins;
}

const std::vector<BoundControl>& BoundControls() {
  static const std::vector<BoundControl> kControls = {
      Ranged(kXCorrectionEdit, -100, 100),
      Ranged(kYCorrectionEdit, -100, 100),
      Free(kCountEdit),
      Ranged(kCutForceEdit, -100, 100),
      Check(kWithoutMarksCheck),
      Free(kCopiesEdit),
      Check(kCopiesCheck),
      Check(kAutoExposureCheck),
      Ranged(kHeightEdit, -100, 100),
      Ranged(kInsertionEdit, -100, 155),
      Ranged(kCompensationLeftEdit, -30, 30),
      Ranged(kCompensationRightEdit, -30, 30),
      Ranged(kUpliftEdit, -100, 100),
      Ranged(kDashUpEdit, 1, 100),
      Ranged(kDashCutEdit, 1, 1000),
      Check(kDashEnableCheck),
      Real(kFirstMarkerEdit),
      Real(kCutterWidthEdit),
      Check(kDLiftCheck),
      Check(kBladeUpCheck),
      Ranged(kWidthEdit, -100, 100),
      Real(kLastCutEdit),
      Ranged(kSpecialCutEdit, 1, 1000),
      Ranged(kSpecialUpEdit, 1, 100),
      Free(kSpecialForceEdit),
      Ranged(kSpecialSpeedEdit, 1, 60),
      Free(kDashForceEdit),
      Real(kFirstMarkerCrossEdit),
      Ranged(kSpacingEdit, 1, 20),
      Ranged(kDashSpeedEdit, 1, 60),
  };
  return kControls;
}

// --- Field transfer ------------------------------------------------------------------------------

int* MainWindowModel::IntMember(int id) {
  MainWindowFields& f = fields_;
  switch (id) {
    case kXCorrectionEdit:
      return &f.xCorrection;
    case kYCorrectionEdit:
      return &f.yCorrection;
    case kCountEdit:
      return &f.sheetCount;
    case kCutForceEdit:
      return &f.cutForce;
    case kWithoutMarksCheck:
      return &f.withoutMarks;
    case kCopiesEdit:
      return &f.copies;
    case kCopiesCheck:
      return &f.copiesEntered;
    case kAutoExposureCheck:
      return &f.autoExposure;
    case kHeightEdit:
      return &f.height;
    case kInsertionEdit:
      return &f.insertion;
    case kCompensationLeftEdit:
      return &f.compensationLeft;
    case kCompensationRightEdit:
      return &f.compensationRight;
    case kUpliftEdit:
      return &f.uplift;
    case kDashUpEdit:
      return &f.dashUpLength;
    case kDashCutEdit:
      return &f.dashCutLength;
    case kDashEnableCheck:
      return &f.dashedLineOn;
    case kDLiftCheck:
      return &f.dLift;
    case kBladeUpCheck:
      return &f.bladeUp;
    case kWidthEdit:
      return &f.width;
    case kSpecialCutEdit:
      return &f.specialCutLength;
    case kSpecialUpEdit:
      return &f.specialUpLength;
    case kSpecialForceEdit:
      return &f.specialForce;
    case kSpecialSpeedEdit:
      return &f.specialSpeed;
    case kDashForceEdit:
      return &f.dashForce;
    case kSpacingEdit:
      return &f.spacing;
    case kDashSpeedEdit:
      return &f.dashSpeed;
    default:
      return nullptr;
  }
}

double* MainWindowModel::RealMember(int id) {
  switch (id) {
    case kFirstMarkerEdit:
      return &fields_.firstMarker;
    case kCutterWidthEdit:
      return &fields_.cutterWidth;
    case kLastCutEdit:
      return &fields_.lastCutShown;
    case kFirstMarkerCrossEdit:
      return &fields_.firstMarkerCross;
    default:
      return nullptr;
  }
}

int* MainWindowModel::ComboMember(int id) {
  switch (id) {
    case kMarkModeCombo:
      return &fields_.markModeSelection;
    case kPassCombo:
      return &fields_.passSelection;
    case kSpecialModeCombo:
      return &fields_.specialSelection;
    case kMultipleCombo:
      return &fields_.multipleSelection;
    default:
      return nullptr;
  }
}

bool MainWindowModel::TakeFields() {
  // Every field that reads well is taken; the first one that does not gets the toolkit's
  // message and keeps its member, so one slip never throws the other fields away.
  std::optional<BoundControl> refused;
  bool notANumber = false;
  for (const BoundControl& control : BoundControls()) {
    if (control.kind == FieldKind::kCheck) {
      *IntMember(control.id) = view_.IsChecked(control.id) ? 1 : 0;
      continue;
    }
    const std::string text = view_.ControlText(control.id);
    if (control.kind == FieldKind::kReal) {
      if (std::optional<double> value = ParseReal(text)) {
        *RealMember(control.id) = *value;
      } else if (!refused) {
        refused = control;
        notANumber = true;
      }
      continue;
    }
    std::optional<long> value = ParseInteger(text);
    bool fits = value.has_value() && *value >= INT32_MIN && *value <= INT32_MAX;
    if (fits && control.minimum && (*value < *control.minimum || *value > *control.maximum)) {
      if (!refused) refused = control;
      continue;
    }
    if (!fits) {
      if (!refused) {
        refused = control;
        notANumber = true;
      }
      continue;
    }
    *IntMember(control.id) = static_cast<int>(*value);
  }
  for (int combo : {kMarkModeCombo, kPassCombo, kSpecialModeCombo, kMultipleCombo}) {
    int selection = view_.ComboSelection(combo);
    if (selection >= 0 && selection < static_cast<int>(combos_[combo].size())) {
      *ComboMember(combo) = selection;
    }
  }
  if (!refused) return true;
  if (notANumber || !refused->minimum) {
    view_.ShowNumberMessage(refused->id, refused->kind != FieldKind::kReal);
  } else {
    view_.ShowRangeMessage(refused->id, *refused->minimum, *refused->maximum);
  }
  return false;
}

void MainWindowModel::ShowFields() {
  ProgramChange guard(*this);
  for (const BoundControl& control : BoundControls()) {
    switch (control.kind) {
      case FieldKind::kCheck:
        view_.SetChecked(control.id, *IntMember(control.id) != 0);
        break;
      case FieldKind::kReal:
        view_.SetControlText(control.id, FormatReal(*RealMember(control.id)));
        break;
      case FieldKind::kInt:
        view_.SetControlText(control.id, std::to_string(*IntMember(control.id)));
        break;
    }
  }
  for (int combo : {kMarkModeCombo, kPassCombo, kSpecialModeCombo, kMultipleCombo}) {
    view_.SetComboSelection(combo, *ComboMember(combo));
  }
}

bool MainWindowModel::DialogPort::TakeFields(MainWindowFields& fields) {
  bool ok = m_.TakeFields();
  if (&fields != &m_.fields_) fields = m_.fields_;
  return ok;
}

void MainWindowModel::DialogPort::ShowFields(const MainWindowFields& fields) {
  if (&fields != &m_.fields_) m_.fields_ = fields;
  m_.ShowFields();
}

void MainWindowModel::OnForceEdited() {
  forceEdited_ = true;
}

void MainWindowModel::OnLengthEdited() {
  Enable(kStartButton, false);
}

void MainWindowModel::OnSpacingChanged() {
  const std::string text = view_.ControlText(kSpacingEdit);
  // The edit is empty between the operator's keystrokes; there is nothing to take yet.
  if (Blank(text)) return;
  std::optional<long> typed = ParseInteger(text);
  if (typed && *typed < 1) {
    // Below one the spacing becomes one at once, without the range message and without a
    // reload: one is the spacing the job already has or gets at its next reload.
    {
      ProgramChange guard(*this);
      view_.SetControlText(kSpacingEdit, "1");
    }
    TakeFields();
    fields_.spacing = 1;
    return;
  }
  if (!TakeFields()) return;
  if (fields_.spacing > 1) Reload();
}

void MainWindowModel::OnFieldLeft() {
  fieldsEdited_ = true;
}

}  // namespace orvex
