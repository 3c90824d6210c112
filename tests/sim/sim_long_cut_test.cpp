// Whole runs on the simulated machine with a cutter that reports a job's motion late: on a long
// job the finish check must see the cutter busy before it believes a ready reply, or it would
// feed the next sheet under a blade that is still cutting.
#include <gtest/gtest.h>

#include <string>

#include "import_for_sim.h"
#include "run_harness.h"
#include "support/temp_dir.h"

namespace orvex::sim {
namespace {

constexpr std::int64_t kMinute = 60'000;

class LongCutOnTwinTest : public ::testing::Test {
 protected:
  LongCutOnTwinTest() {
    job_.mediaWidth = 320;
    std::string message;
    loaded_ = ImportGraphic(std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps", dir_.Path(),
                            job_, message);
    EXPECT_TRUE(loaded_) << message;
    job_.cameraOffsetX = 80;
    job_.cameraOffsetY = 99;
    job_.markScale = 4.0 / 51.0;
    if (!loaded_) return;
    EXPECT_TRUE(machine_.LoadJob(dir_.Path(), message)) << message;
  }

  // Runs `sheets` sheets and returns how many finishes the run took while the twin still cut.
  int FinishesWhileCutting(int sheets) {
    harness_ = std::make_unique<FinishWatch>(machine_, dir_.Path(), job_);
    harness_->StartTimer();
    harness_->RunFor(10'000);
    machine_.Feeder().Settings().sheets = sheets;
    harness_->Engine().Start();
    harness_->RunUntilEnded(10 * kMinute);
    return harness_->early;
  }

  // The finish check shows the sheet's duration just before it starts the next sheet, while
  // the run still awaits the finish: the moment to ask the twin whether it still cuts.
  class FinishWatch : public RunHarness {
   public:
    FinishWatch(SimMachine& machine, const std::filesystem::path& dir, const RunContext& job)
        : RunHarness(machine, dir, job), machine_(machine) {}
    void ShowFields(const RunFields& /*fields*/) override {
      // The width query shows fields too, at another step of the polling, and the end of the
      // stream does, in the same instant as the stream started.
      if (Ctx().detectionHold != 10 || Ctx().statusStep != 56) return;
      if (machine_.Clock().TickMs() - Ctx().cutStartTick < kTickMs) return;
      ++finishes;
      if (machine_.Cutter().Busy()) ++early;
    }
    int finishes = 0;
    int early = 0;

   private:
    SimMachine& machine_;
  };

  test::TempDir dir_;
  RunContext job_;
  bool loaded_ = false;
  SimMachine machine_;
  std::unique_ptr<FinishWatch> harness_;
};

TEST_F(LongCutOnTwinTest, ReadyBeforeBusyIsNotTakenAsTheEndOfALongCut) {
  ASSERT_TRUE(loaded_);
  machine_.Cutter().Settings().busyReportDelayMs = 1500;
  machine_.Cutter().Settings().defaultCutSpeedMmPerS = 40.0;
  EXPECT_EQ(FinishesWhileCutting(3), 0);
  EXPECT_GE(harness_->finishes, 2);
  ASSERT_GE(harness_->Ctx().totalCutLength, 1200.0);
  EXPECT_EQ(harness_->Engine().Fields().sheet.sheetCount, 3);
  EXPECT_TRUE(harness_->messages.empty()) << harness_->messages.front();
  const AccuracyReport report = machine_.Accuracy();
  ASSERT_EQ(report.sheets.size(), 3U);
  for (const SheetAccuracy& sheet : report.sheets) EXPECT_LE(sheet.maxMm, 0.15);
}

}  // namespace
}  // namespace orvex::sim
