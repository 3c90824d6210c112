// The main window without a screen: its controls are values in memory, the file dialog answers
// with the job it was given, questions are answered Yes, and the toolkit's field messages are
// kept as problems. orvex-cli runs the main-window model over it, and the simulated machine
// rehearses a sheet cycle over it.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_view.h"

namespace orvex {

class HeadlessWindow : public MainWindowView {
 public:
  // `job` is what File Open chooses; empty, the file dialog is cancelled.
  explicit HeadlessWindow(std::string job = {}) : job_(std::move(job)) {}

  // The toolkit's messages about fields the model refused, in order.
  const std::vector<std::string>& Problems() const { return problems_; }

  void ShowMessage(std::string_view /*text*/, std::string_view /*caption*/,
                   MessageIcon /*icon*/) override {}
  void ShowRangeMessage(int controlId, int minimum, int maximum) override;
  void SetWindowCaption(std::string_view /*text*/) override {}
  void SetControlText(int controlId, std::string_view text) override;
  void ShowControl(int /*controlId*/, bool /*shown*/) override {}
  void EnableControl(int /*controlId*/, bool /*enabled*/) override {}
  std::string ControlText(int controlId) override;
  bool IsChecked(int controlId) override;
  void SetChecked(int controlId, bool checked) override { checks_[controlId] = checked; }
  void SetControlIcon(int /*controlId*/, std::string_view /*iconName*/,
                      int /*sizePixels*/) override {}
  void SetComboEntries(int /*comboId*/, const std::vector<std::string>& /*entries*/) override {}
  int ComboSelection(int comboId) override;
  void SetComboSelection(int comboId, int index) override { selections_[comboId] = index; }
  void SetSystemMenuItemText(std::string_view /*text*/) override {}
  void ExtendWindowPast(int /*controlId*/, int /*marginPixels*/) override {}
  void SetWaitCursor(bool /*waiting*/) override {}
  void ShowNumberMessage(int controlId, bool integer) override;
  bool AskYesNo(std::string_view /*text*/, std::string_view /*caption*/) override { return true; }
  bool AskOpenFile(const std::vector<FileFilter>& filters, std::string& path) override;
  void ShowSplash(std::string_view /*versionText*/) override {}
  // More Options loads the cut-setting file given here; without one the dialog is cancelled.
  bool RunOptionsDialog(OptionsDialog& dialog) override;
  void SetCutSettingFile(std::string file) { cutSettingFile_ = std::move(file); }
  CalibrationView& CalibrationDialogView() override { return calibration_; }
  // Carried out by the calibration's operator, when there is one; else the dialog is cancelled.
  bool RunCalibrationDialog(CalibrationDialogModel& dialog) override;
  // Who presses the calibration dialog's buttons once it has started.
  void SetCalibrationOperator(std::function<void(CalibrationDialogModel&)> steps) {
    calibrationOperator_ = std::move(steps);
  }

 private:
  // The dialog's values as an operator would read them off the screen.
  class HeadlessCalibrationView : public CalibrationView {
   public:
    void ShowValues(OffsetPair /*current*/, OffsetPair fresh) override { fresh_ = fresh; }
    bool ReadNewValues(OffsetPair& values) override {
      values = fresh_;
      return true;
    }
    void SetCaption(std::string_view /*text*/) override {}
    void ShowCameraTwoLabel() override {}
    void Close(bool accepted) override { accepted_ = accepted; }
    bool TakeAccepted() { return std::exchange(accepted_, false); }

   private:
    OffsetPair fresh_;
    bool accepted_ = false;
  };

  // The Options dialog whose operator presses Load and chooses the file; its messages are
  // kept as problems.
  class HeadlessOptionsView : public OptionsDialogView {
   public:
    HeadlessOptionsView(std::string file, std::vector<std::string>& problems)
        : file_(std::move(file)), problems_(problems) {}
    void ShowMessage(std::string_view text, std::string_view /*caption*/,
                     MessageIcon /*icon*/) override {
      problems_.emplace_back(text);
    }
    void ShowRangeMessage(int controlId, int minimum, int maximum) override;
    void SetWindowCaption(std::string_view /*text*/) override {}
    void SetControlText(int /*controlId*/, std::string_view /*text*/) override {}
    void ShowControl(int /*controlId*/, bool /*shown*/) override {}
    void EnableControl(int /*controlId*/, bool /*enabled*/) override {}
    void TakeFields(OptionsFields& fields) override { fields = fields_; }
    void ShowFields(const OptionsFields& fields) override { fields_ = fields; }
    std::optional<ChosenFile> OpenCutSettingFile() override { return ChosenFile{file_}; }
    std::optional<ChosenFile> SaveCutSettingFile() override { return std::nullopt; }
    void RunJobsReport(JobsReportDialog& /*dialog*/) override {}

   private:
    std::string file_;
    std::vector<std::string>& problems_;
    OptionsFields fields_;
  };

  std::string job_;
  std::string cutSettingFile_;
  std::vector<std::string> problems_;
  std::map<int, std::string> texts_;
  std::map<int, bool> checks_;
  std::map<int, int> selections_;
  HeadlessCalibrationView calibration_;
  std::function<void(CalibrationDialogModel&)> calibrationOperator_;
};

}  // namespace orvex
