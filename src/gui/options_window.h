// The Options dialog: default speed, the cutting direction sorting, the cut-setting files and
// the jobs report, as the passive view of OptionsDialog.
#pragma once

#include <QDialog>

#include "app/cut_setting_file.h"
#include "app/dialog_view.h"
#include "gui/control_table.h"

namespace orvex::gui {

class OptionsWindow : public QDialog, public OptionsDialogView {
  Q_OBJECT

 public:
  OptionsWindow(QWidget* parent, OptionsDialog& model);

  // --- OptionsDialogView ---
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
  void ShowRangeMessage(int controlId, int minimum, int maximum) override;
  void SetWindowCaption(std::string_view text) override;
  void SetControlText(int controlId, std::string_view text) override;
  void ShowControl(int controlId, bool shown) override;
  void EnableControl(int controlId, bool enabled) override;
  void TakeFields(OptionsFields& fields) override;
  void ShowFields(const OptionsFields& fields) override;
  std::optional<ChosenFile> OpenCutSettingFile() override;
  std::optional<ChosenFile> SaveCutSettingFile() override;
  void RunJobsReport(JobsReportDialog& dialog) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LayOut();
  // The toolkit's check before the model takes the fields: the number message when the speed
  // edit holds no integer.
  bool FieldsReadable();
  std::optional<ChosenFile> RunFileDialog(bool save);
  void EndWithOkWhen(bool closes);

  OptionsDialog& model_;
  ControlTable table_;
};

// Runs the Options dialog modally over `model` (its OnInit first); true when it ended with OK.
bool RunOptionsWindow(QWidget* parent, OptionsDialog& model);

}  // namespace orvex::gui
