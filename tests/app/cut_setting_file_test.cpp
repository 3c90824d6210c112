// Cut-setting files and the Options dialog's flow, driven through fake views.
#include "app/cut_setting_file.h"

#include <gtest/gtest.h>

#include "fake_views.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

class RecordingCommands : public MainWindowCommands {
 public:
  void ReloadJob() override { calls.push_back("reload"); }
  void DashedLineModeChanged() override { calls.push_back("dashed"); }
  void SpecialModeSelected() override { calls.push_back("special"); }
  std::vector<std::string> calls;
};

enum class Press { kLoad, kSave, kOk, kCancel };

struct Fixture {
  test::TempDir dir;
  WorkDir workDir{dir.Path()};
  test::MemoryProfile profile;
  SettingsStore store{profile};
  RunContext run;
  MainWindowFields fields;
  test::FakeMainView view;
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
      switch (press) {
        case Press::kLoad:
          return dialog.OnLoadCutSetting(options);
        case Press::kSave:
          return dialog.OnSaveCutSetting(options);
        case Press::kOk:
          return dialog.OnOk(options);
        case Press::kCancel:
          return false;
      }
      return false;
    };
    MoreOptions(run, fields, view, store, commands, workDir);
  }
  void Save(const std::string& name) {
    options.saveChoice = ChosenFile{dir.File(name).string()};
    MoreOptionsPressing(Press::kSave);
  }
  void Load(const std::string& name) {
    options.openChoice = ChosenFile{dir.File(name).string()};
    MoreOptionsPressing(Press::kLoad);
  }
};

MainWindowFields SampleFields() {
  MainWindowFields f;
  f.compensationLeft = -3;
  f.compensationRight = 4;
  f.height = -20;
  f.width = 7;
  f.uplift = 11;
  f.insertion = 150;
  f.dashCutLength = 360;
  f.dashUpLength = 5;
  f.dashSpeed = 10;
  f.dashForce = 14;
  f.passSelection = 2;
  f.specialSelection = 1;
  f.specialCutLength = 30;
  f.specialUpLength = 20;
  f.specialSpeed = 12;
  f.specialForce = 7;
  f.multipleSelection = 4;
  f.spacing = 5;
  f.firstMarker = 19.56;
  f.cutForce = 31;
  f.dashedLineOn = 1;
  f.withoutMarks = 1;
  f.firstMarkerCross = 8.25;
  return f;
}

TEST(CutSettingFileTest, SaveAndLoadRestoreEveryFieldWithOneDecimal) {
  Fixture f;
  f.view.controls = SampleFields();
  f.run.reverseOrder = 1;
  f.Save("labels.cst");
  EXPECT_EQ(f.dir.Read("labels.cst"),
            "-3 4 -20 7  11 150  360 5 10 14 2  1 30 20 12 7 4 5  195 31 30 1  1 1 82");
  EXPECT_EQ(f.view.caption, "- Orvex Plus - labels.cst");
  EXPECT_EQ(f.run.optionsOutcome, 2);
  EXPECT_TRUE(f.commands.calls.empty());

  f.view.controls = MainWindowFields{};
  f.run.reverseOrder = 0;
  f.run.defaultSpeed = 50;
  f.fields = MainWindowFields{};
  f.Load("labels.cst");
  MainWindowFields expected = SampleFields();
  expected.firstMarker = 19.5;
  expected.firstMarkerCross = 8.2;
  const MainWindowFields& shown = f.view.controls;
  EXPECT_EQ(CollectCutSetting(f.run, shown), CollectCutSetting(f.run, expected));
  EXPECT_DOUBLE_EQ(shown.firstMarker, 19.5);
  EXPECT_EQ(f.run.reverseOrder, 1);
  EXPECT_EQ(f.run.defaultSpeed, 30);
  EXPECT_EQ(f.run.optionsOutcome, 1);
  EXPECT_EQ(f.commands.calls, (std::vector<std::string>{"dashed", "special", "reload"}));
  // Loading takes defSpeed and reverse into the run only; the profile gets what the dialog says.
  EXPECT_EQ(f.profile.ReadInt(kProfileSection, key::kReverse, -1), 0);
}

TEST(CutSettingFileTest, TenthsSurviveRepeatedLoadAndSave) {
  for (int tenths = -20000; tenths <= 20000; ++tenths) {
    ASSERT_EQ(TenthsOf(tenths / 10.0), tenths);
  }
  EXPECT_EQ(TenthsOf(19.56), 195);
  EXPECT_EQ(TenthsOf(-0.19), -1);
}

TEST(CutSettingFileTest, TwentyFourValuesLeaveTheCrossPositionAlone) {
  Fixture f;
  const std::string first24 = "1 2 3 4  5 6  7 8 9 10 1  0 13 14 15 16 0 18  195 20 21 0  0 0";
  for (std::string tail : {std::string(), std::string("\n"), std::string(" 0"),
                           std::string(" -5\r\n"), std::string(" x")}) {
    f.dir.Write("old.cst", first24 + tail);
    f.view.controls.firstMarkerCross = 3.5;
    f.Load("old.cst");
    EXPECT_TRUE(f.view.messages.empty()) << tail;
    EXPECT_EQ(f.view.controls.firstMarkerCross, 3.5) << tail;
    EXPECT_EQ(f.view.controls.height, 3) << tail;
  }
}

TEST(CutSettingFileTest, ForeignSelectionsAreIgnored) {
  Fixture f;
  f.view.controls.passSelection = 1;
  f.view.controls.specialSelection = 2;
  f.view.controls.multipleSelection = 3;
  f.dir.Write("foreign.cst", "0 0 0 0  0 0  7 8 9 10 3  4 13 14 15 16 5 18  195 20 21 0  0 0 0");
  f.Load("foreign.cst");
  EXPECT_EQ(f.view.controls.passSelection, 1);
  EXPECT_EQ(f.view.controls.specialSelection, 2);
  EXPECT_EQ(f.view.controls.multipleSelection, 3);
  f.dir.Write("negative.cst", "0 0 0 0  0 0  7 8 9 10 -1  -1 13 14 15 16 -1 18  195 20 21 0  0 0");
  f.Load("negative.cst");
  EXPECT_EQ(f.view.controls.passSelection, 1);
  EXPECT_EQ(f.view.controls.multipleSelection, 3);
  // The fourth special entry exists only once the creasing tool is installed.
  f.dir.Write("creasing.cst", "0 0 0 0  0 0  7 8 9 10 0  3 13 14 15 16 0 18  195 20 21 0  0 0");
  f.commands.calls.clear();
  f.Load("creasing.cst");
  EXPECT_EQ(f.view.controls.specialSelection, 2);
  EXPECT_EQ(f.commands.calls, (std::vector<std::string>{"reload"}));
  f.run.creasingInstalled = 1;
  f.commands.calls.clear();
  f.Load("creasing.cst");
  EXPECT_EQ(f.view.controls.specialSelection, 3);
  EXPECT_EQ(f.commands.calls, (std::vector<std::string>{"special", "reload"}));
}

TEST(CutSettingFileTest, UnreadableFilesChangeNothing) {
  Fixture f;
  f.view.controls = SampleFields();
  const std::string before = FormatCutSetting(CollectCutSetting(f.run, f.view.controls));
  f.dir.Write("short.cst", "1 2 3 4  5 6  7 8 9 10 1  0 13 14 15 16 0 18  195 20 21 0  0");
  f.dir.Write("words.cst", "left right and so on");
  f.dir.Write("huge.cst", "1 2 3 99999999999 5 6 7 8 9 10 1 0 13 14 15 16 0 18 195 20 21 0 0 0");
  for (std::string name : {"short.cst", "words.cst", "huge.cst", "missing.cst"}) {
    f.view.messages.clear();
    f.Load(name);
    ASSERT_EQ(f.view.messages.size(), 1U) << name;
    EXPECT_EQ(f.view.messages[0].text, "Cannot read cut setting file");
    EXPECT_EQ(f.view.messages[0].icon, MessageIcon::kInformation);
    EXPECT_EQ(FormatCutSetting(CollectCutSetting(f.run, f.view.controls)), before) << name;
  }
  EXPECT_EQ(f.view.caption, "- Orvex Plus 1.0 - ");
  EXPECT_TRUE(f.commands.calls.empty());
  EXPECT_EQ(OptionsOutcome(f.run), 0);  // the job's recent settings still apply
}

TEST(CutSettingFileTest, UnwritableFileKeepsTheCaption) {
  Fixture f;
  f.Save("no-such-folder/labels.cst");
  ASSERT_EQ(f.view.messages.size(), 1U);
  EXPECT_EQ(f.view.messages[0].text, "Cannot write cut setting file");
  EXPECT_EQ(f.view.caption, "- Orvex Plus 1.0 - ");
}

TEST(CutSettingFileTest, SavedNamesEndInLowerCaseCst) {
  Fixture f;
  f.Save("a.cst");
  f.Save("b.CST");
  f.Save("c");
  EXPECT_TRUE(f.dir.Exists("a.cst"));
  EXPECT_TRUE(f.dir.Exists("b.CST.cst"));
  EXPECT_TRUE(f.dir.Exists("c.cst"));
  EXPECT_FALSE(f.dir.Exists("b.CST"));
  EXPECT_EQ(f.view.caption, "- Orvex Plus - c");
}

TEST(CutSettingFileTest, OptionsOutcomeAndReorderReload) {
  Fixture f;
  // Without a job there is nothing to lay out again.
  f.run.currentJobPath = "";
  f.options.openChoice = ChosenFile{f.dir.File("x.cst").string()};
  f.MoreOptionsPressing(Press::kLoad);
  ASSERT_EQ(f.options.messages.size(), 1U);
  EXPECT_EQ(f.options.messages[0].text, "No Graphic file is loaded");
  EXPECT_EQ(f.run.optionsOutcome, 0);
  EXPECT_TRUE(f.profile.WriteLog().empty());

  f.run.currentJobPath = "/jobs/a.eps";
  f.MoreOptionsPressing(Press::kOk);  // no change: written, nothing reloaded
  EXPECT_EQ(f.profile.WriteLog(), (std::vector<std::string>{"defSpeed", "reverse"}));
  EXPECT_TRUE(f.commands.calls.empty());

  f.MoreOptionsPressing(Press::kOk, [](OptionsFields& o) {
    o.directionSorting = 0;
    o.defaultSpeed = 44;
  });
  EXPECT_EQ(f.profile.ReadInt(kProfileSection, key::kReverse, 0), 1);
  EXPECT_EQ(f.run.reverseOrder, 1);
  EXPECT_EQ(f.run.defaultSpeed, 44);
  EXPECT_EQ(f.run.optionsOutcome, 1);
  EXPECT_EQ(f.commands.calls, (std::vector<std::string>{"reload"}));
  EXPECT_EQ(OptionsOutcome(f.run), 1);

  // Opening and cancelling clears the outcome and writes nothing.
  f.profile.ClearWriteLog();
  f.MoreOptionsPressing(Press::kCancel);
  EXPECT_EQ(OptionsOutcome(f.run), 0);
  EXPECT_TRUE(f.profile.WriteLog().empty());

  // A default speed out of range keeps the dialog open.
  f.MoreOptionsPressing(Press::kOk, [](OptionsFields& o) { o.defaultSpeed = 61; });
  EXPECT_EQ(f.options.rangeMessages.back(), (std::vector<int>{1070, 1, 60}));
  EXPECT_TRUE(f.profile.WriteLog().empty());
}

}  // namespace
}  // namespace orvex
