// The main window as the model sees it: a passive surface of controls. The view hands back the
// text of an edit, the state of a check box and the selection of a combo box, and shows what the
// model tells it; ranges, conversions and every decision stay in MainWindowModel. The Qt window
// implements it; tests keep the controls in memory.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/dialog_view.h"
#include "import/loader_view.h"
#include "vision/calibration.h"

namespace orvex {

class MainWindowView : public WindowView {
 public:
  // --- Controls -------------------------------------------------------------------------------
  virtual std::string ControlText(int controlId) = 0;  // what the operator typed
  virtual bool IsChecked(int controlId) = 0;
  virtual void SetChecked(int controlId, bool checked) = 0;
  virtual void SetControlIcon(int controlId, std::string_view iconName, int sizePixels) = 0;
  virtual void SetComboEntries(int comboId, const std::vector<std::string>& entries) = 0;
  virtual int ComboSelection(int comboId) = 0;
  virtual void SetComboSelection(int comboId, int index) = 0;
  virtual void SetSystemMenuItemText(std::string_view text) = 0;
  // Ends the window 25 pixels (or `marginPixels`) right of the given control.
  virtual void ExtendWindowPast(int controlId, int marginPixels) = 0;
  virtual void SetWaitCursor(bool waiting) = 0;
  // The limits a spin control steps between (its buddy edit's own range is checked by the model).
  virtual void SetSpinRange(int /*spinId*/, int /*minimum*/, int /*maximum*/) {}

  // --- The toolkit's messages and dialogs ------------------------------------------------------
  // The toolkit's message for text that is not a number; the focus goes to the field.
  virtual void ShowNumberMessage(int controlId, bool integer) = 0;
  virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;
  virtual bool AskOpenFile(const std::vector<FileFilter>& filters, std::string& path) = 0;
  virtual void ShowSplash(std::string_view versionText) = 0;
  virtual bool RunOptionsDialog(OptionsDialog& dialog) = 0;
  // The calibration dialog's controls, and the dialog run modally over its model; true when it
  // ended with Set. The window keeps running (timer, frames, cutter) while it is open.
  virtual CalibrationView& CalibrationDialogView() = 0;
  virtual bool RunCalibrationDialog(CalibrationDialogModel& dialog) = 0;
  // Repaints the whole window, the preview included.
  virtual void RepaintAll() {}
};

// The camera's picture settings as the brightness buttons use them. Flag 1 is the device's
// manual setting, 2 its automatic one, 0 leaves the mode as the device has it.
class CameraPictureControl {
 public:
  virtual ~CameraPictureControl() = default;
  virtual bool ReadBrightness(int& value) = 0;
  virtual bool SetBrightness(int value, int flag) = 0;
  virtual bool ReadExposure(int& value) = 0;
  virtual bool SetExposure(int value, int flag) = 0;
};

}  // namespace orvex
