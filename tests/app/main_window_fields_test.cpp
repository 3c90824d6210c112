// The bound fields: ranges, a refused field, the values taken on the tick (fields left, the force
// cap), spacing, and that the program's own control changes never run the operator's handlers.
#include <gtest/gtest.h>

#include "main_window_fixture.h"

namespace orvex::test {
namespace {

using namespace window_id;

// The window's ranged edits, one golden list: each with its limits, the member it fills, the
// spin control start-up gives the same limits (0: none) and whether leaving it has the field
// taken on the next tick.
struct RangedField {
  int id;
  int minimum;
  int maximum;
  int MainWindowFields::*member;
  int spin;
  bool takenWhenLeft;
};
const RangedField kRangedFields[] = {
    {kXCorrectionEdit, -100, 100, &MainWindowFields::xCorrection, kXCorrectionSpin, false},
    {kYCorrectionEdit, -100, 100, &MainWindowFields::yCorrection, kYCorrectionSpin, false},
    {kCutForceEdit, -100, 100, &MainWindowFields::cutForce, kCutForceSpin, false},
    {kHeightEdit, -100, 100, &MainWindowFields::height, kHeightSpin, true},
    {kInsertionEdit, -100, 155, &MainWindowFields::insertion, 0, true},
    {kCompensationLeftEdit, -30, 30, &MainWindowFields::compensationLeft, kCompensationLeftSpin,
     true},
    {kCompensationRightEdit, -30, 30, &MainWindowFields::compensationRight, kCompensationRightSpin,
     true},
    {kUpliftEdit, -100, 100, &MainWindowFields::uplift, 0, true},
    {kDashUpEdit, 1, 100, &MainWindowFields::dashUpLength, 0, true},
    {kDashCutEdit, 1, 1000, &MainWindowFields::dashCutLength, 0, true},
    {kWidthEdit, -100, 100, &MainWindowFields::width, kWidthSpin, true},
    {kSpecialCutEdit, 1, 1000, &MainWindowFields::specialCutLength, 0, true},
    {kSpecialUpEdit, 1, 100, &MainWindowFields::specialUpLength, 0, true},
    {kSpecialSpeedEdit, 1, 60, &MainWindowFields::specialSpeed, 0, true},
    {kSpacingEdit, 1, 20, &MainWindowFields::spacing, 0, true},
    {kDashSpeedEdit, 1, 60, &MainWindowFields::dashSpeed, 0, true},
};

// Each ranged field takes its limits and refuses one beyond; leaving it has the fields taken on
// the next tick, or not at all.
TEST_F(MainWindowModelTest, EveryRangedFieldTakesItsLimitsRefusesOneBeyondAndIsTakenWhenLeft) {
  std::map<int, std::pair<int, int>> spins;
  int height = 0;
  for (const RangedField& field : kRangedFields) {
    SCOPED_TRACE(field.id);
    if (field.spin != 0) spins[field.spin] = {field.minimum, field.maximum};
    model->ShowFields();
    // The two limits are taken; one beyond either is refused and the maximum stays.
    const std::vector<std::vector<int>> refusal{{field.id, field.minimum, field.maximum}};
    for (int value : {field.minimum, field.maximum, field.maximum + 1, field.minimum - 1}) {
      const bool refused = value == field.maximum + 1 || value == field.minimum - 1;
      view.rangeMessages.clear();
      view.texts[field.id] = std::to_string(value);
      EXPECT_EQ(model->TakeFields(), !refused);
      EXPECT_EQ(model->Fields().*field.member, refused ? field.maximum : value);
      EXPECT_EQ(view.rangeMessages, refused ? refusal : std::vector<std::vector<int>>{});
    }
    view.texts[field.id] = std::to_string(field.maximum);
    view.texts[kHeightEdit] = std::to_string(++height);
    view.Leave(field.id);
    EXPECT_NE(model->Fields().height, height);
    model->OnTimer();
    EXPECT_EQ(model->Fields().height == height, field.takenWhenLeft);
  }
  EXPECT_EQ(view.spinRanges, spins);
  // The counts and the free forces take any number.
  for (int id : {kCountEdit, kCopiesEdit, kSpecialForceEdit, kDashForceEdit})
    view.texts[id] = "5000";
  EXPECT_TRUE(model->TakeFields());
  const MainWindowFields& f = model->Fields();
  EXPECT_EQ(f.sheetCount + f.copies + f.specialForce + f.dashForce, 20000);
}

TEST_F(MainWindowModelTest, ARefusedFieldKeepsItsMemberAndTheOthersAreStillTaken) {
  model->Fields().insertion = 20;
  model->ShowFields();
  view.texts[kInsertionEdit] = "156";
  view.texts[kUpliftEdit] = "-7";
  view.texts[kFirstMarkerEdit] = "12.5";
  EXPECT_FALSE(model->TakeFields());
  EXPECT_EQ(model->Fields().insertion, 20);
  EXPECT_EQ(model->Fields().uplift, -7);
  EXPECT_DOUBLE_EQ(model->Fields().firstMarker, 12.5);

  view.texts[kInsertionEdit] = "12x";
  view.texts[kFirstMarkerEdit] = "";
  EXPECT_FALSE(model->TakeFields());
  ASSERT_EQ(view.numberMessages.size(), 1U);  // one message, for the first bad field
  EXPECT_EQ(model->Fields().insertion, 20);
  EXPECT_DOUBLE_EQ(model->Fields().firstMarker, 12.5);
  view.texts[kInsertionEdit] = " 99999999999 ";
  EXPECT_FALSE(model->TakeFields());
}

TEST_F(MainWindowModelTest, ForceCapOnTheNextTickWithOneMessageForAllThreeFields) {
  run.cutterModel = 1;
  view.Type(kCutForceEdit, "39");
  EXPECT_NE(model->Fields().cutForce, 39);  // taken on the tick, not at the keystroke
  EXPECT_TRUE(view.messages.empty());
  view.Type(kDashForceEdit, "45");
  model->OnTimer();
  EXPECT_EQ(view.texts[kCutForceEdit] + " " + view.texts[kDashForceEdit], "38 38");
  model->OnTimer();
  ASSERT_EQ(view.MessageTexts(), std::vector<std::string>{"Maximum Cut Force is 38"});
  EXPECT_EQ(view.messages[0].icon, MessageIcon::kInformation);

  run.cutterModel = 0;
  view.Type(kSpecialForceEdit, "32");
  model->OnTimer();
  EXPECT_EQ(model->Fields().specialForce, 31);
  EXPECT_EQ(model->Fields().cutForce, 31);  // the capped 38 is above the lower limit too
  // A legal force is taken on the tick without a message.
  view.Type(kCutForceEdit, "20");
  model->OnTimer();
  EXPECT_EQ(model->Fields().cutForce, 20);
  EXPECT_EQ(view.MessageTexts(),
            (std::vector<std::string>{"Maximum Cut Force is 38", "Maximum Cut Force is 31"}));
}

TEST_F(MainWindowModelTest, SpacingBelowOneBecomesOneWithoutReloadAndAboveOneReloads) {
  view.Type(kSpacingEdit, "3");  // without a job nothing reloads and no file dialog opens
  EXPECT_EQ(model->Fields().spacing, 3);
  EXPECT_EQ(view.fileDialogs, 0);
  LoadJob();
  const int loads = canvas.clears;
  view.Type(kSpacingEdit, "0");
  EXPECT_EQ(view.texts[kSpacingEdit], "1");
  EXPECT_EQ(model->Fields().spacing, 1);
  EXPECT_TRUE(view.rangeMessages.empty());
  view.Type(kSpacingEdit, "");  // between keystrokes
  view.Type(kSpacingEdit, "1");
  EXPECT_EQ(canvas.clears, loads);
  view.Type(kSpacingEdit, "2");
  EXPECT_EQ(model->Fields().spacing, 2);
  EXPECT_EQ(canvas.clears, loads + 1);
  EXPECT_EQ(view.fileDialogs, 1);  // the reload took the current job, it did not ask
  EXPECT_EQ(run.reopenRequest, 0);
}

TEST_F(MainWindowModelTest, ProgramMadeChangesNeverRunTheOperatorsHandlers) {
  LoadJob();
  const int loads = canvas.clears;
  model->Fields().spacing = 7;
  model->Fields().cutForce = 90;
  model->ShowFields();  // the toolkit reports the edits' changes
  model->SelectCombo(kMultipleCombo, 3);
  model->SelectCombo(kMarkModeCombo, 2);
  EXPECT_EQ(canvas.clears, loads);
  EXPECT_EQ(model->Fields().withoutMarks, 0);  // the mark-mode handler did not run either
  model->OnTimer();
  EXPECT_TRUE(view.messages.empty());  // nor was the force marked as edited
  // The same changes by the operator do run them.
  view.Choose(kMultipleCombo, 2);
  EXPECT_EQ(canvas.clears, loads + 1);
}

}  // namespace
}  // namespace orvex::test
