// Opening a job and the run buttons: File Open on a real job, Start and what it stores.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "main_window_fixture.h"

namespace orvex::test {
namespace {

using namespace window_id;

TEST_F(MainWindowModelTest, FileOpenLoadsARealJobAndSpecialModeHandlerRunsOnce) {
  model->Fields().specialSpeed = 33;
  LoadJob();
  EXPECT_TRUE(dir.Exists("sort.prn"));
  EXPECT_EQ(view.texts[kLastJobLine], "Current job: " + dir.File("job.eps").string());
  EXPECT_EQ(model->Fields().specialSpeed, 12);  // the job has no special paths: mode 0
  EXPECT_FALSE(model->State(kMultipleCombo).enabled);
  EXPECT_EQ(run.reopenRequest, 0);

  // A refused job leaves none loaded, so Start cannot run on half-replaced files.
  dir.Write("bad.eps", "not a graphic");
  view.openAnswer = dir.File("bad.eps").string();
  view.Click(kFileOpenButton);
  EXPECT_FALSE(model->JobLoaded());
  EXPECT_FALSE(model->OperatorMessages().empty());
}

TEST_F(MainWindowModelTest, StartNeedsAJobAndThenStoresTheRunSettings) {
  view.texts[kXCorrectionEdit] = "5";
  view.Click(kStartButton);
  ASSERT_EQ(model->OperatorMessages().size(), 1U);
  EXPECT_EQ(model->OperatorMessages()[0], "No Graphic file is loaded");
  EXPECT_TRUE(CutterBytes().empty());
  EXPECT_FALSE(dir.Exists("recent.dat"));

  LoadJob();
  view.Click(kStartButton);
  EXPECT_TRUE(dir.Exists("recent.dat"));
  EXPECT_EQ(model->Fields().xCorrection, 0);  // went into the stored offset
  EXPECT_EQ(view.texts[kXCorrectionEdit], "0");
  EXPECT_FALSE(CutterBytes().empty());
  EXPECT_TRUE(profile.Has("LastJob"));
  EXPECT_EQ(view.icons[kStatusIcon].substr(view.icons[kStatusIcon].find('/')), "/32");
  if (model->Engine()->Running()) {
    EXPECT_EQ(view.texts[kStartButton], "Stop");
    view.Click(kStartButton);
  }
  EXPECT_FALSE(model->Engine()->Running());
  EXPECT_EQ(view.texts[kStartButton], "Start");
  // Pause outside a run changes nothing.
  view.Click(kPauseButton);
  EXPECT_FALSE(model->Engine()->Paused());
  EXPECT_FALSE(model->Engine()->Running());
}

TEST_F(MainWindowModelTest, TheRunGetsWhatTheOperatorTypedEachInItsOwnPlace) {
  const std::map<int, std::string> typed = {{kXCorrectionEdit, "5"},
                                            {kYCorrectionEdit, "-6"},
                                            {kCompensationLeftEdit, "-3"},
                                            {kCompensationRightEdit, "4"},
                                            {kHeightEdit, "17"},
                                            {kWidthEdit, "-8"},
                                            {kFirstMarkerCrossEdit, "2.5"},
                                            {kSpecialForceEdit, "9"},
                                            {kCopiesEdit, "3"},
                                            {kCountEdit, "2"},
                                            {kUpliftEdit, "11"},
                                            {kInsertionEdit, "150"},
                                            {kCutForceEdit, "21"},
                                            {kDashForceEdit, "13"},
                                            {kLastCutEdit, "0.75"},
                                            {kCutterWidthEdit, "1.5"}};
  for (const auto& [id, text] : typed) view.texts[id] = text;
  view.checks[kWithoutMarksCheck] = true;
  view.checks[kCopiesCheck] = true;
  RunFields fields;
  model->AsRunApplication().TakeFields(fields);
  const SheetCutFields& sheet = fields.sheet;
  EXPECT_EQ(
      std::vector<int>({sheet.manualX, sheet.manualY, sheet.compensationL, sheet.compensationR,
                        sheet.compensationHeight, sheet.compensationWidth, sheet.specialForce,
                        sheet.copies, sheet.sheetCount, fields.uplift, fields.insertion,
                        fields.commands.cutForce, fields.commands.dashedForce}),
      std::vector<int>({5, -6, -3, 4, 17, -8, 9, 3, 2, 11, 150, 21, 13}));
  EXPECT_DOUBLE_EQ(sheet.firstMarkerCross, 2.5);
  EXPECT_DOUBLE_EQ(sheet.feedScaleShown, 0.75);
  EXPECT_DOUBLE_EQ(fields.cutterWidthShown, 1.5);
  EXPECT_TRUE(sheet.withoutCropMarks && sheet.copiesEnabled);
}

}  // namespace
}  // namespace orvex::test
