// The main window's controls in memory.
#include "app/headless_window.h"

#include "app/cut_setting_file.h"

namespace orvex {
namespace {

std::string RangeProblem(int controlId, int minimum, int maximum) {
  return "field " + std::to_string(controlId) + " outside " + std::to_string(minimum) + ".." +
         std::to_string(maximum);
}

}  // namespace

void HeadlessWindow::ShowRangeMessage(int controlId, int minimum, int maximum) {
  problems_.push_back(RangeProblem(controlId, minimum, maximum));
}

void HeadlessWindow::HeadlessOptionsView::ShowRangeMessage(int controlId, int minimum,
                                                           int maximum) {
  problems_.push_back(RangeProblem(controlId, minimum, maximum));
}

void HeadlessWindow::ShowNumberMessage(int controlId, bool /*integer*/) {
  problems_.push_back("field " + std::to_string(controlId) + " is not a number");
}

void HeadlessWindow::SetControlText(int controlId, std::string_view text) {
  texts_[controlId] = std::string(text);
}

std::string HeadlessWindow::ControlText(int controlId) {
  auto found = texts_.find(controlId);
  return found == texts_.end() ? std::string() : found->second;
}

bool HeadlessWindow::IsChecked(int controlId) {
  auto found = checks_.find(controlId);
  return found != checks_.end() && found->second;
}

int HeadlessWindow::ComboSelection(int comboId) {
  auto found = selections_.find(comboId);
  return found == selections_.end() ? 0 : found->second;
}

bool HeadlessWindow::AskOpenFile(const std::vector<FileFilter>& /*filters*/, std::string& path) {
  if (job_.empty()) return false;
  path = job_;
  return true;
}

bool HeadlessWindow::RunCalibrationDialog(CalibrationDialogModel& dialog) {
  if (!calibrationOperator_) return false;
  dialog.Start();
  calibrationOperator_(dialog);
  return calibration_.TakeAccepted();
}

bool HeadlessWindow::RunOptionsDialog(OptionsDialog& dialog) {
  if (cutSettingFile_.empty()) return false;
  HeadlessOptionsView options(cutSettingFile_, problems_);
  dialog.OnInit(options);
  return dialog.OnLoadCutSetting(options);
}

}  // namespace orvex
