// Cut-setting files and the Options dialog's flow, driven through fake views.
#include "app/cut_setting_file.h"

#include <gtest/gtest.h>

#include "fake_views.h"

namespace orvex {
namespace {

using F = MainWindowFields;

// The file's layout, one golden list: the whole-number fields with the values the sample sets,
// and the line they make. The line adds the first marker (19.56) and the cross position (8.25)
// in truncated tenths, the run's default speed (30) and its reverse order (1).
const std::pair<int F::*, int> kSampleFields[] = {
    {&F::compensationLeft, -3}, {&F::compensationRight, 4},
    {&F::height, -20},          {&F::width, 8},
    {&F::uplift, 11},           {&F::insertion, 150},
    {&F::dashCutLength, 360},   {&F::dashUpLength, 6},
    {&F::dashSpeed, 10},        {&F::dashForce, 14},
    {&F::passSelection, 2},     {&F::specialSelection, 1},
    {&F::specialCutLength, 30}, {&F::specialUpLength, 20},
    {&F::specialSpeed, 12},     {&F::specialForce, 9},
    {&F::multipleSelection, 3}, {&F::spacing, 5},
    {&F::cutForce, 31},         {&F::dashedLineOn, 1},
    {&F::withoutMarks, 1}};
constexpr std::string_view kSampleLine =
    "-3 4 -20 8  11 150  360 6 10 14 2  1 30 20 12 9 3 5  195 31 30 1  1 1 82";

MainWindowFields SampleFields() {
  MainWindowFields fields;
  for (auto [member, value] : kSampleFields) fields.*member = value;
  fields.firstMarker = 19.56;
  fields.firstMarkerCross = 8.25;
  return fields;
}

class RecordingCommands : public MainWindowCommands {
 public:
  void ReloadJob() override { calls.push_back("reload"); }
  void DashedLineModeChanged() override { calls.push_back("dashed"); }
  void SpecialModeSelected() override { calls.push_back("special"); }
  std::vector<std::string> calls;
};

// A button of the Options dialog; none is Cancel.
using Press = bool (OptionsDialog::*)(OptionsDialogView&);

struct Fixture : test::AppParts {
  test::FakeOptionsView options;
  RecordingCommands commands;

  Fixture() {
    run.currentJobPath = "/jobs/round labels.eps";
    run.defaultSpeed = 30;
  }

  // Opens "More Options" and presses `press` in the dialog (after the operator's edits).
  void MoreOptionsPressing(Press press, std::function<void(OptionsFields&)> edit = nullptr) {
    view.optionsScript = [this, press, edit](OptionsDialog& dialog) {
      dialog.OnInit(options);
      if (edit) edit(options.controls);
      return press != nullptr && (dialog.*press)(options);
    };
    MoreOptions(run, fields, view, store, commands, workDir);
  }
  void Save(const std::string& name) {
    options.saveChoice = ChosenFile{dir.File(name).string()};
    MoreOptionsPressing(&OptionsDialog::OnSaveCutSetting);
  }
  void Load(const std::string& name) {
    options.openChoice = ChosenFile{dir.File(name).string()};
    MoreOptionsPressing(&OptionsDialog::OnLoadCutSetting);
  }
};

// Reading a file back, each field in its place, the refused files and the selections past their
// boxes are rows of the run transcripts (window_cut_setting_*); saving is reached only here. The
// names chosen in the save dialog and the file each becomes; an unwritable one keeps the caption.
TEST(CutSettingFileTest, SaveWritesEveryFieldInAFileEndingInLowerCaseCst) {
  const std::pair<std::string, std::string> cases[] = {{"labels.cst", "labels.cst"},
                                                       {"b.CST", "b.CST.cst"},
                                                       {"c", "c.cst"},
                                                       {"no-such-folder/d.cst", ""}};
  for (const auto& [chosen, written] : cases) {
    SCOPED_TRACE(chosen);
    Fixture f;
    f.view.controls = SampleFields();
    f.run.reverseOrder = 1;
    f.Save(chosen);
    if (written.empty()) {
      EXPECT_EQ(f.view.MessageTexts(), std::vector<std::string>{"Cannot write cut setting file"});
      EXPECT_EQ(f.view.caption, "- Orvex Plus 1.0 - ");
      continue;
    }
    EXPECT_EQ(f.dir.Read(written), kSampleLine);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.Path()), {}), 1);
    EXPECT_EQ(f.view.caption, "- Orvex Plus - " + chosen);
    EXPECT_EQ(f.run.optionsOutcome, 2);
    EXPECT_TRUE(f.commands.calls.empty());
  }
}

TEST(CutSettingFileTest, TenthsSurviveRepeatedLoadAndSave) {
  for (int tenths = -20000; tenths <= 20000; ++tenths) ASSERT_EQ(TenthsOf(tenths / 10.0), tenths);
  EXPECT_EQ(TenthsOf(19.56), 195);
  EXPECT_EQ(TenthsOf(-0.19), -1);
}

// A loaded file turns the dashed line on, then runs the special mode only when its selection was
// taken: the fourth special entry exists once the creasing tool is installed. Pass -1 and
// multiple 5 are past their boxes; the boxes held passes 1, special 2 and multiple 3.
TEST(CutSettingFileTest, LoadRunsTheSpecialModeOnlyForASelectionTaken) {
  for (int creasing : {0, 1}) {
    SCOPED_TRACE(creasing);
    Fixture f;
    f.view.controls.passSelection = 1;
    f.view.controls.specialSelection = 2;
    f.view.controls.multipleSelection = 3;
    f.run.creasingInstalled = creasing;
    f.dir.Write("s.cst", "0 0 0 0  0 0  7 8 9 10 -1  3 13 14 15 16 5 18  195 20 21 1  1 0");
    f.Load("s.cst");
    const MainWindowFields& after = f.view.controls;
    EXPECT_EQ(
        std::vector<int>({after.passSelection, after.specialSelection, after.multipleSelection}),
        std::vector<int>({1, creasing != 0 ? 3 : 2, 3}));
    const std::vector<std::string> withSpecial{"dashed", "special", "reload"};
    const std::vector<std::string> without{"dashed", "reload"};
    EXPECT_EQ(f.commands.calls, creasing != 0 ? withSpecial : without);
    // The run takes the reverse order; the profile gets only what the dialog says.
    EXPECT_EQ(f.profile.ReadInt(kProfileSection, key::kReverse, -1), 0);
  }
}

TEST(CutSettingFileTest, OptionsOutcomeAndReorderReload) {
  Fixture f;
  // Without a job there is nothing to lay out again.
  f.run.currentJobPath = "";
  f.Load("x.cst");
  EXPECT_EQ(f.options.MessageTexts(), std::vector<std::string>{"No Graphic file is loaded"});
  EXPECT_EQ(f.run.optionsOutcome, 0);
  EXPECT_TRUE(f.profile.WriteLog().empty());

  f.run.currentJobPath = "/jobs/a.eps";
  f.MoreOptionsPressing(&OptionsDialog::OnOk);  // no change: written, nothing reloaded
  EXPECT_EQ(f.profile.WriteLog(), (std::vector<std::string>{"defSpeed", "reverse"}));
  EXPECT_TRUE(f.commands.calls.empty());

  f.MoreOptionsPressing(&OptionsDialog::OnOk, [](OptionsFields& o) {
    o.directionSorting = 0;
    o.defaultSpeed = 44;
  });
  EXPECT_EQ(f.profile.ReadInt(kProfileSection, key::kReverse, 0), 1);
  EXPECT_EQ(f.run.reverseOrder, 1);
  EXPECT_EQ(f.run.defaultSpeed, 44);
  EXPECT_EQ(f.commands.calls, (std::vector<std::string>{"reload"}));
  EXPECT_EQ(OptionsOutcome(f.run), 1);

  // Opening and cancelling clears the outcome and writes nothing.
  f.profile.ClearWriteLog();
  f.MoreOptionsPressing(nullptr);
  EXPECT_EQ(OptionsOutcome(f.run), 0);
  EXPECT_TRUE(f.profile.WriteLog().empty());

  // A default speed out of range keeps the dialog open; the top of the range is taken.
  f.MoreOptionsPressing(&OptionsDialog::OnOk, [](OptionsFields& o) { o.defaultSpeed = 61; });
  EXPECT_EQ(f.options.rangeMessages.back(), (std::vector<int>{1070, 1, 60}));
  EXPECT_TRUE(f.profile.WriteLog().empty());
  f.MoreOptionsPressing(&OptionsDialog::OnOk, [](OptionsFields& o) { o.defaultSpeed = 60; });
  EXPECT_EQ(f.run.defaultSpeed, 60);
}

}  // namespace
}  // namespace orvex
