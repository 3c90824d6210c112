// In-memory dialogs for the app models' tests, over the window base the station's fakes share.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_view.h"
#include "support/fake_loader_ports.h"
#include "support/fake_main_window_view.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"

namespace orvex::test {

// The main window: its controls hold a copy of the members.
class FakeMainView : public FakeWindow<DialogView> {
 public:
  bool TakeFields(MainWindowFields& fields) override {
    fields = controls;
    return true;
  }
  void ShowFields(const MainWindowFields& fields) override { controls = fields; }
  void AddComboEntry(int comboId, std::string_view text) override {
    comboEntries[comboId].emplace_back(text);
  }
  void SetSystemMenuItemText(std::string_view text) override { menuItem = std::string(text); }
  void ShowSplash(std::string_view versionText) override { splash = std::string(versionText); }
  bool RunOptionsDialog(OptionsDialog& dialog) override {
    return optionsScript ? optionsScript(dialog) : false;
  }

  MainWindowFields controls;
  std::map<int, std::vector<std::string>> comboEntries;
  std::string menuItem = "&About Orvex...";
  std::optional<std::string> splash;
  std::function<bool(OptionsDialog&)> optionsScript;
};

class FakeOptionsView : public FakeWindow<OptionsDialogView> {
 public:
  void TakeFields(OptionsFields& fields) override { fields = controls; }
  void ShowFields(const OptionsFields& fields) override { controls = fields; }
  std::optional<ChosenFile> OpenCutSettingFile() override { return openChoice; }
  std::optional<ChosenFile> SaveCutSettingFile() override { return saveChoice; }
  void RunJobsReport(JobsReportDialog& /*dialog*/) override {}

  OptionsFields controls;
  std::optional<ChosenFile> openChoice;
  std::optional<ChosenFile> saveChoice;
};

// The pieces the app's models are built over, with a working directory of their own.
struct AppParts {
  TempDir dir;
  WorkDir workDir{dir.Path()};
  MemoryProfile profile;
  SettingsStore store{profile};
  RunContext run;
  MainWindowFields fields;
  FakeMainView view;
};

class FakeServiceView : public FakeWindow<ServiceDialogView> {
 public:
  void TakeFields(ServiceFields& fields) override {
    if (typed) typed(controls);
    typed = nullptr;
    fields = controls;
  }
  void ShowFields(const ServiceFields& fields) override { controls = fields; }
  void CheckRadio(int radioId) override { checkedRadio = radioId; }
  void CloseDialog() override { closed = true; }

  ServiceFields controls;
  std::function<void(ServiceFields&)> typed;
  int checkedRadio = 0;
  bool closed = false;
};

class FakeReportView : public JobsReportView {
 public:
  void AddColumn(std::string_view title, int widthPixels) override {
    columns.push_back(std::string(title) + "/" + std::to_string(widthPixels));
  }
  void EnableGridLines() override {}
  void InsertRowAtTop(const std::vector<std::string>& cells) override {
    rows.insert(rows.begin(), cells);
  }

  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

}  // namespace orvex::test
