// In-memory windows for the app models' tests and the station's whole runs. They record what
// the models show and hand back what a test set as the operator's input. Like a real toolkit
// the main window reports the program's own changes to an edit or a combo box as change notices
// (through `model`), so tests see whether the model tells its own changes from the operator's.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/main_window_model.h"
#include "support/fake_calibration_view.h"

namespace orvex::test {

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

template <typename Base>
class FakeWindow : public Base {
 public:
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    messages.push_back({std::string(text), std::string(caption), icon});
  }
  void ShowRangeMessage(int controlId, int minimum, int maximum) override {
    rangeMessages.push_back({controlId, minimum, maximum});
  }
  void SetWindowCaption(std::string_view text) override { caption = std::string(text); }
  void SetControlText(int controlId, std::string_view text) override {
    texts[controlId] = std::string(text);
  }
  void ShowControl(int controlId, bool shown) override { visible[controlId] = shown; }
  void EnableControl(int /*controlId*/, bool /*enabled*/) override {}

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> shown;
    for (const ShownMessage& message : messages) shown.push_back(message.text);
    return shown;
  }

  std::vector<ShownMessage> messages;
  std::vector<std::vector<int>> rangeMessages;
  std::string caption = "- Orvex Plus 1.0 - ";
  std::map<int, std::string> texts;
  std::map<int, bool> visible;
};

class FakeMainWindowView : public FakeWindow<MainWindowView> {
 public:
  void SetControlText(int controlId, std::string_view text) override {
    texts[controlId] = std::string(text);
    if (model != nullptr) model->OnCommand(controlId, Notification::kTextChanged);
  }
  std::string ControlText(int controlId) override { return texts[controlId]; }
  bool IsChecked(int controlId) override { return checks[controlId]; }
  void SetChecked(int controlId, bool checked) override { checks[controlId] = checked; }
  void SetControlIcon(int controlId, std::string_view iconName, int sizePixels) override {
    icons[controlId] = std::string(iconName) + "/" + std::to_string(sizePixels);
  }
  void SetComboEntries(int comboId, const std::vector<std::string>& entries) override {
    comboEntries[comboId] = entries;
  }
  int ComboSelection(int comboId) override {
    auto found = selections.find(comboId);
    return found == selections.end() ? -1 : found->second;
  }
  void SetComboSelection(int comboId, int index) override {
    selections[comboId] = index;
    if (model != nullptr) model->OnCommand(comboId, Notification::kSelectionChanged);
  }
  void SetSystemMenuItemText(std::string_view /*text*/) override {}
  void ExtendWindowPast(int controlId, int marginPixels) override {
    widenedPast = {controlId, marginPixels};
  }
  void SetWaitCursor(bool waiting) override { cursorLog.push_back(waiting); }
  void SetSpinRange(int spinId, int minimum, int maximum) override {
    spinRanges[spinId] = {minimum, maximum};
  }
  void ShowNumberMessage(int controlId, bool integer) override {
    numberMessages.push_back({controlId, integer ? 1 : 0});
  }
  bool AskYesNo(std::string_view /*text*/, std::string_view /*caption*/) override { return true; }
  bool AskOpenFile(const std::vector<FileFilter>& /*filters*/, std::string& path) override {
    ++fileDialogs;
    if (openAnswer.empty()) return false;
    path = openAnswer;
    return true;
  }
  void ShowSplash(std::string_view /*versionText*/) override {}
  bool RunOptionsDialog(OptionsDialog& /*dialog*/) override { return false; }
  CalibrationView& CalibrationDialogView() override { return calibrationView; }
  bool RunCalibrationDialog(CalibrationDialogModel& dialog) override {
    return calibrationScript ? calibrationScript(dialog) : false;
  }

  FakeCalibrationView calibrationView;
  std::function<bool(CalibrationDialogModel&)> calibrationScript;

  // The operator's own actions: the control changes, then its notice arrives.
  void Type(int controlId, std::string text) {
    texts[controlId] = std::move(text);
    model->OnCommand(controlId, Notification::kTextChanged);
  }
  void Choose(int comboId, int index) {
    selections[comboId] = index;
    model->OnCommand(comboId, Notification::kSelectionChanged);
  }
  void Click(int controlId) {
    if (clickToggles.count(controlId) != 0) checks[controlId] = !checks[controlId];
    model->OnCommand(controlId, Notification::kClicked);
  }
  void Leave(int controlId) { model->OnCommand(controlId, Notification::kFocusLost); }

  MainWindowModel* model = nullptr;
  std::map<int, bool> checks;
  std::map<int, std::string> icons;
  std::map<int, std::pair<int, int>> spinRanges;
  std::map<int, std::vector<std::string>> comboEntries;
  std::map<int, int> selections;
  std::map<int, int> clickToggles;  // check boxes: a click flips them first
  std::pair<int, int> widenedPast{0, 0};
  std::vector<bool> cursorLog;
  std::vector<std::vector<int>> numberMessages;
  std::string openAnswer;
  int fileDialogs = 0;
};

}  // namespace orvex::test
