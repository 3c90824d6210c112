// The passive views that the settings, start-up, Options, jobs report and service dialog
// models drive. A Qt window implements them; tests use fakes that keep everything in memory.
// Each view only shows what its model hands it and hands back what the operator typed; the
// order of writes and every decision stay in the models.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window_fields.h"
#include "core/message_icon.h"

namespace orvex {

// What every window offers.
class WindowView {
 public:
  virtual ~WindowView() = default;

  // A modal message box with an OK button.
  virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
  // The toolkit's own message for a field outside its range; the focus goes to the field.
  virtual void ShowRangeMessage(int controlId, int minimum, int maximum) = 0;
  virtual void SetWindowCaption(std::string_view text) = 0;
  virtual void SetControlText(int controlId, std::string_view text) = 0;
  virtual void ShowControl(int controlId, bool shown) = 0;
  virtual void EnableControl(int controlId, bool enabled) = 0;
};

class OptionsDialog;
class JobsReportDialog;

// The part of the main window's view that start-up, close, cut-setting files, recent jobs and
// the run's end need. The full main-window view extends it.
class DialogView : public WindowView {
 public:
  // Take the controls into the members. A value outside its control's range is not taken
  // (the view shows the range message) and false is returned; the others are taken.
  virtual bool TakeFields(MainWindowFields& fields) = 0;
  // Show every member (combo selections included) in its control.
  virtual void ShowFields(const MainWindowFields& fields) = 0;
  virtual void AddComboEntry(int comboId, std::string_view text) = 0;
  // The text of the item appended to the system menu ("&About Orvex..." in the template).
  virtual void SetSystemMenuItemText(std::string_view text) = 0;
  // The splash with the version text; returns when the operator dismisses it.
  virtual void ShowSplash(std::string_view versionText) = 0;
  // Runs the Options dialog modally over `dialog`; true when it ended with OK.
  virtual bool RunOptionsDialog(OptionsDialog& dialog) = 0;
};

// A file chosen in a file dialog: the full path as the dialog returned it.
struct ChosenFile {
  std::string path;
};

struct OptionsFields {
  int defaultSpeed = 0;     // edit 1070, 1 to 60
  int directionSorting = 0;  // check 1094 "Cutting direction sorting" = not reverse
};

class OptionsDialogView : public WindowView {
 public:
  virtual void TakeFields(OptionsFields& fields) = 0;
  virtual void ShowFields(const OptionsFields& fields) = 0;
  // The system's file dialogs with the "(*.CST)" filter; nullopt when cancelled.
  virtual std::optional<ChosenFile> OpenCutSettingFile() = 0;
  virtual std::optional<ChosenFile> SaveCutSettingFile() = 0;
  // Runs the jobs report dialog modally over `dialog`.
  virtual void RunJobsReport(JobsReportDialog& dialog) = 0;
};

struct ServiceFields {
  int markSize = 0;         // edit 1013 "Marker pixel", 40 to 180
  int offsetX = 0;          // edit 1017, 0.1 mm
  int offsetY = 0;          // edit 1018, 0.1 mm
  int brightness = 0;       // edit 1040 (hidden)
  int slowLabelLength = 0;  // edit 1053 (hidden), mm
  int reorderDisabled = 0;  // check 1094 (hidden)
};

class ServiceDialogView : public WindowView {
 public:
  virtual void TakeFields(ServiceFields& fields) = 0;
  virtual void ShowFields(const ServiceFields& fields) = 0;
  virtual void CheckRadio(int radioId) = 0;
  virtual void CloseDialog() = 0;
};

class JobsReportView {
 public:
  virtual ~JobsReportView() = default;
  virtual void AddColumn(std::string_view title, int widthPixels) = 0;
  virtual void EnableGridLines() = 0;
  // Inserts a row above all others.
  virtual void InsertRowAtTop(const std::vector<std::string>& cells) = 0;
};

}  // namespace orvex
