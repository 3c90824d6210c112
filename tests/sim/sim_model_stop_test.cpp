// Stop pressed during a running run, through the main window's Start/Stop button, on the twin:
// the sample job loaded by File Open, the twin aligned with the run the way a rehearsal of one
// sheet cycle places it, then the run stopped while a sheet is being sought and while a cut sheet
// is awaited. A stopped run reports once, feeds no further sheet, and can be started again.
#include <gtest/gtest.h>

#include <string>

#include "model_station.h"

namespace orvex::sim {
namespace {

using namespace window_id;

constexpr std::int64_t kMinute = 60'000;

class StopOnTwinTest : public ::testing::Test, private OwnWorkDir {
 protected:
  StopOnTwinTest() : station_(temp.Path()) {}

  void SetUp() override {
    ASSERT_TRUE(station_.LoadSampleJob());
    station_.StartTimer();
    station_.machine.Clock().Advance(10'000);  // the cutter is found, its width read
  }

  int Count() { return station_.model->Engine()->Fields().sheet.sheetCount; }
  std::string StartCaption() { return station_.model->State(kStartButton).caption; }
  int Requests() { return station_.machine.Feeder().RequestsAccepted(); }

  ModelStation station_;
};

TEST_F(StopOnTwinTest, StopWhileACutSheetIsAwaitedReportsOnceAndFeedsNoMore) {
  station_.view.Click(kStartButton);
  ASSERT_EQ(StartCaption(), "Stop");
  ASSERT_TRUE(station_.RunUntil([&] { return Count() == 2; }, 10 * kMinute));
  const int requests = Requests();
  station_.view.Click(kStartButton);
  EXPECT_EQ(StartCaption(), "Start");
  const std::string report = station_.model->LastReportLine();
  EXPECT_FALSE(report.empty());
  station_.machine.Clock().Advance(3 * kMinute);
  EXPECT_EQ(Requests(), requests);
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(station_.model->LastReportLine(), report);
  EXPECT_FALSE(station_.model->Engine()->Running());
  for (const SheetAccuracy& sheet : station_.machine.Accuracy().sheets) {
    EXPECT_LE(sheet.maxMm, 0.15) << sheet.sheet;
  }
}

TEST_F(StopOnTwinTest, StopDuringTheMarkSearchLeavesNoSearchBehindAndAStartRunsAgain) {
  station_.view.Click(kStartButton);
  ASSERT_TRUE(station_.RunUntil([&] { return station_.run.waitingForMark != 0; }, kMinute));
  const std::size_t cuts = station_.machine.Bed().Cuts().size();
  station_.view.Click(kStartButton);
  EXPECT_EQ(StartCaption(), "Start");
  EXPECT_EQ(station_.run.markResult, -1);
  EXPECT_EQ(station_.run.searchAttempts, 0);
  station_.machine.Clock().Advance(3 * kMinute);
  // Nothing was cut on the sheet being sought, no further sheet came, no time-out message.
  EXPECT_EQ(station_.machine.Bed().Cuts().size(), cuts);
  EXPECT_EQ(Requests(), 1);
  EXPECT_EQ(Count(), 0);
  for (const std::string& message : station_.model->OperatorMessages()) {
    EXPECT_EQ(message.find("Marker"), std::string::npos) << message;
  }

  // A new Start is a new run that registers and counts its sheet.
  station_.view.Click(kStartButton);
  EXPECT_EQ(StartCaption(), "Stop");
  ASSERT_TRUE(station_.RunUntil([&] { return Count() == 1; }, 5 * kMinute));
  EXPECT_EQ(Requests(), 2);
}

}  // namespace
}  // namespace orvex::sim
