// The command table: which handler each control's notification reaches.
#include "app/main_window_model.h"

namespace orvex {

using namespace window_id;

void MainWindowModel::OnCommand(int id, Notification notification) {
  if (programChange_ > 0) return;
  switch (notification) {
    case Notification::kClicked:
      switch (id) {
        case kStartButton:
          OnStart();
          break;
        case kPauseButton:
          OnPause();
          break;
        case kCutTestButton:
          OnCutTest();
          break;
        case kFileOpenButton:
          OnFileOpen();
          break;
        case kOpenLastJobButton:
          OnOpenLastJob();
          break;
        case kMoreOptionsButton:
          OnMoreOptions();
          break;
        case kCalibrationButton:
          OnCalibration();
          break;
        case kCameraTestButton:
          OnCameraTest();
          break;
        case kBrighterButton:
          OnBrighter();
          break;
        case kDarkerButton:
          OnDarker();
          break;
        case kAutoExposureCheck:
          OnAutoExposure();
          break;
        case kCopiesCheck:
          OnEnterCopies();
          break;
        case kWithoutMarksCheck:
          OnWithoutMarks();
          break;
        case kDashEnableCheck:
          OnDashedLine();
          break;
        case kCreaseButton:
          OnCrease();
          break;
        case kBladeButton:
          OnBlade();
          break;
        case kCycleButton:
          OnCycle();
          break;
        case kDownButton:
          OnDown();
          break;
        case kUpButton:
          OnUp();
          break;
        case kWidenButton:
          OnWiden();
          break;
        default:
          break;
      }
      break;
    case Notification::kSelectionChanged:
      switch (id) {
        case kMarkModeCombo:
          OnMarkModeChanged();
          break;
        case kPassCombo:
          OnPassChanged();
          break;
        case kSpecialModeCombo:
          OnSpecialModeChanged();
          break;
        case kMultipleCombo:
          OnMultipleChanged();
          break;
        default:
          break;
      }
      break;
    case Notification::kTextChanged:
      switch (id) {
        case kCutForceEdit:
        case kSpecialForceEdit:
        case kDashForceEdit:
          OnForceEdited();
          break;
        case kDashUpEdit:
        case kSpecialCutEdit:
        case kSpecialUpEdit:
        case kSpecialSpeedEdit:
          OnLengthEdited();
          break;
        case kSpacingEdit:
          OnSpacingChanged();
          break;
        default:
          break;
      }
      break;
    case Notification::kFocusLost:
      switch (id) {
        case kSpacingEdit:
        case kHeightEdit:
        case kInsertionEdit:
        case kCompensationLeftEdit:
        case kCompensationRightEdit:
        case kDashCutEdit:
        case kDashUpEdit:
        case kSpecialCutEdit:
        case kUpliftEdit:
        case kDashSpeedEdit:
        case kSpecialUpEdit:
        case kSpecialSpeedEdit:
        case kWidthEdit:
          OnFieldLeft();
          break;
        default:
          break;
      }
      break;
  }
}

}  // namespace orvex
