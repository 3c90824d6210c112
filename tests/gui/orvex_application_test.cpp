// The program on the simulated machine, driven as an operator drives it: the job chosen in the
// file dialog, Start, three sheets cut; the calibration dialog's Cut Marker and Read Marker;
// every control the models name present in the window; closing during a run; the PC's sleep
// held off from Start to the run's end against a fake logind (the test program runs under
// dbus-run-session). The twin's time is driven by the test, so a run
// takes no wall-clock minutes.
#include "gui/orvex_application.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include "app/settings_store.h"
#include "gui/gui_test_support.h"
#include "platform/qsettings_profile.h"
#include "support/fake_logind.h"
#include "support/temp_dir.h"

namespace orvex::gui {
namespace {

using testing::ClickControl;
using testing::MissingControlCheck;
using testing::ModalAnswerer;

constexpr std::int64_t kMinuteMs = 60'000;
constexpr int kHangUpWaitMs = 2000;

class OrvexOnTheTwin : public ::testing::Test {
 protected:
  void SetUp() override {
    options_.simulate = true;
    options_.station.sheets = 3;
    options_.workDir = dir_.Path().string();
    options_.settings = dir_.File("orvex.conf").string();
    app_ = std::make_unique<OrvexApplication>(
        options_, dir_.Path(), SimulatedStation::Time::kDriven, QDBusConnection::sessionBus());
  }

  bool DriveUntil(const std::function<bool()>& done, std::int64_t limitMs) {
    return app_->Simulated()->DriveUntil(done, limitMs);
  }

  MainWindow& Window() { return app_->Window(); }
  QString Text(int id) { return QString::fromStdString(Window().ControlText(id)); }
  bool Enabled(int id) { return Window().Controls().Find(id)->isEnabled(); }
  QString StatusLine() { return Window().statusBar()->findChild<QLabel*>()->text(); }

  // Start-up and the sample job chosen in the file dialog, until the cutter is ready.
  void OpenSampleJob(ModalAnswerer& answers) {
    answers.Then(ModalAnswerer::ChooseFile(QStringLiteral(ORVEX_SOURCE_DIR) +
                                           QStringLiteral("/samples/label-sheet.eps")));
    app_->Start();
    ASSERT_TRUE(ClickControl(&Window(), window_id::kFileOpenButton));
    ASSERT_TRUE(app_->Machine().Model().JobLoaded());
    ASSERT_TRUE(DriveUntil([&] { return Enabled(window_id::kStartButton); }, kMinuteMs));
  }

  test::TempDir dir_;
  ProgramOptions options_;
  test::FakeLogind logind_;  // outlives the program, which asks it for the sleep hold
  std::unique_ptr<OrvexApplication> app_;
};

// Calibration first: the twin's camera sits 8 mm behind the blade and 70.1 mm across, so the
// pair the run needs is (75, 99), the feed offset kept half a millimetre short as calibration
// stores it. Then three sheets are cut with it.
TEST_F(OrvexOnTheTwin, CalibrationFindsThePairAndThreeSheetsAreCutWithEveryNamedControlPresent) {
  MissingControlCheck controls;
  ModalAnswerer answers;
  OpenSampleJob(answers);
  // The title follows the job with the status line's refresh.
  EXPECT_TRUE(testing::WaitFor([&] {
    return Window().windowTitle().startsWith(QStringLiteral("label-sheet.eps"));
  })) << Window().windowTitle().toStdString();

  ASSERT_TRUE(DriveUntil([&] { return Enabled(window_id::kCalibrationButton); }, kMinuteMs));
  int newX = 0, newY = 0;
  answers.Then([&](QWidget* dialog) {
    auto* x = testing::FindControlAs<QLineEdit>(dialog, 1071);
    auto* y = testing::FindControlAs<QLineEdit>(dialog, 1111);
    ASSERT_TRUE(x != nullptr && y != nullptr);
    const QString before = x->text() + "," + y->text();
    ClickControl(dialog, 1108);  // Cut Marker
    ClickControl(dialog, 1109);  // Read Marker
    // The square is read on the twin's time; the dialog shows the pair on its own tick.
    EXPECT_TRUE(DriveUntil([&] { return x->text() + "," + y->text() != before; }, kMinuteMs));
    newX = x->text().toInt();
    newY = y->text().toInt();
    ClickControl(dialog, 1);  // Set
  });
  ASSERT_TRUE(ClickControl(&Window(), window_id::kCalibrationButton));
  EXPECT_NEAR(newX, 75, 1);
  EXPECT_NEAR(newY, 99, 1);

  ASSERT_TRUE(DriveUntil([&] { return Enabled(window_id::kStartButton); }, kMinuteMs));
  ASSERT_TRUE(ClickControl(&Window(), window_id::kStartButton));
  EXPECT_EQ(logind_.Calls().size(), logind_.Registered() ? 1U : 0U);
  ASSERT_TRUE(DriveUntil([&] { return Text(window_id::kCountEdit) == "3"; }, 10 * kMinuteMs));
  EXPECT_FALSE(logind_.HungUp(0, 0));
  const RunEngine& engine = *app_->Machine().Model().Engine();
  DriveUntil([&] { return !engine.Running() && !engine.Busy(); }, 5 * kMinuteMs);
  // The feeder ran out after the third sheet: the run has ended and the PC may sleep again.
  if (logind_.Registered()) {
    EXPECT_TRUE(logind_.HungUp(0, kHangUpWaitMs));
  }
  // Every control the models named along the way is in the window.
  EXPECT_TRUE(Window().Controls().MissingIds().empty());
}

// Closed while a sheet is registered, the window waits for the next tick to end the program; the
// files stay whole and the uplift and insertion are written.
TEST_F(OrvexOnTheTwin, SleepIsHeldFromStartUntilStopOrClosingAndClosingKeepsTheFilesWhole) {
  if (!logind_.Registered()) GTEST_SKIP() << "no session bus: run under dbus-run-session";
  ModalAnswerer answers;
  OpenSampleJob(answers);
  Window().SetControlText(window_id::kUpliftEdit, "7");
  Window().SetControlText(window_id::kInsertionEdit, "-3");
  ASSERT_TRUE(ClickControl(&Window(), window_id::kStartButton));
  ASSERT_EQ(logind_.Calls().size(), 1U);
  EXPECT_EQ(logind_.Calls()[0][0], QStringLiteral("sleep:idle"));
  EXPECT_FALSE(logind_.HungUp(0, 0));
  ASSERT_TRUE(ClickControl(&Window(), window_id::kStartButton));  // Stop
  EXPECT_TRUE(logind_.HungUp(0, kHangUpWaitMs));

  ASSERT_TRUE(DriveUntil([&] { return Enabled(window_id::kStartButton); }, kMinuteMs));
  ASSERT_TRUE(ClickControl(&Window(), window_id::kStartButton));
  ASSERT_EQ(logind_.Calls().size(), 2U);
  EXPECT_FALSE(logind_.HungUp(1, 0));
  Window().close();
  EXPECT_TRUE(Window().isVisible());  // until the run loop's next tick
  EXPECT_TRUE(DriveUntil([&] { return logind_.HungUp(1, 0); }, kMinuteMs));
  DriveUntil([&] { return !Window().isVisible(); }, kMinuteMs);
  app_.reset();
  QSettingsProfile written(QString::fromStdString(options_.settings));
  EXPECT_EQ(written.ReadInt(kProfileSection, key::kDiscesa, 0), 7);
  EXPECT_EQ(written.ReadInt(kProfileSection, key::kInser, 0), -3);
  EXPECT_TRUE(test::ReadFileBytes(dir_.File("recent.dat")).ends_with('\n'));
}

TEST_F(OrvexOnTheTwin, ARefusedSleepHoldIsToldOnceInTheStatusLineAndTheRunGoesOn) {
  if (!logind_.Registered()) GTEST_SKIP() << "no session bus: run under dbus-run-session";
  logind_.Refuse();
  ModalAnswerer answers;
  OpenSampleJob(answers);
  ASSERT_TRUE(ClickControl(&Window(), window_id::kStartButton));
  EXPECT_TRUE(app_->Machine().Model().Engine()->Running());
  EXPECT_TRUE(testing::WaitFor([&] { return StatusLine().contains("Permission denied"); }))
      << StatusLine().toStdString();
  ASSERT_TRUE(ClickControl(&Window(), window_id::kStartButton));  // Stop
  EXPECT_TRUE(testing::WaitFor([&] { return !StatusLine().contains("Permission denied"); }));
  // Told once: the next run asks again and is refused, and says nothing more about it.
  ASSERT_TRUE(DriveUntil([&] { return Enabled(window_id::kStartButton); }, kMinuteMs));
  ASSERT_TRUE(ClickControl(&Window(), window_id::kStartButton));
  EXPECT_EQ(logind_.Calls().size(), 2U);
  ASSERT_TRUE(DriveUntil([&] { return Text(window_id::kCountEdit) == "1"; }, 10 * kMinuteMs));
  EXPECT_FALSE(StatusLine().contains("Permission denied")) << StatusLine().toStdString();
}

}  // namespace
}  // namespace orvex::gui
