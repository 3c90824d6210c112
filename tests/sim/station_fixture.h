// The whole station on the twin, as the tests drive it: SimStation with the in-memory window over
// it, the bundled sample job opened by File Open (the twin prints it on the sheets to come), the
// window's 120 ms timer on the twin's clock. Tests press the window's buttons and let virtual
// time run; what reached the sheets is measured against the print.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/fake_views.h"
#include "app/main_window_model.h"
#include "sim/sim_station.h"
#include "support/fake_main_window_view.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"

namespace orvex::sim {

inline constexpr std::int64_t kMinute = 60'000;

class StationFixture {
 public:
  explicit StationFixture(const StationOptions& options = {})
      : station(options, temp.Path()), model(BuildWindow()) {
    view.model = &model;
    model.Initialise();
  }

  // Opens the sample job and lets the window stand open until the cutter is found and its
  // media width read. False when the import refused the job.
  bool OpenSampleJob() {
    view.openAnswer = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";
    view.Click(window_id::kFileOpenButton);
    station.StartTimer();
    RunFor(10'000);
    return model.JobLoaded() && Machine().Bed().supply.job != nullptr;
  }

  void Press(int controlId) { view.Click(controlId); }
  void RunFor(std::int64_t ms) { Machine().Clock().Advance(ms); }
  bool RunUntil(const std::function<bool()>& done, std::int64_t limitMs) {
    return station.RunUntil(done, limitMs);
  }

  SimMachine& Machine() { return station.Machine(); }
  RunContext& Ctx() { return station.Run(); }
  RunEngine& Engine() { return *model.Engine(); }
  int Count() { return Engine().Fields().sheet.sheetCount; }
  std::string StartCaption() { return model.State(window_id::kStartButton).caption; }
  const std::vector<std::string>& Messages() { return model.OperatorMessages(); }

  // `sheets` sheets were cut, every cut point on one of them and within 0.15 mm of its print.
  void ExpectSheetsCutOnTheirPrint(std::size_t sheets) {
    const AccuracyReport report = station.Accuracy();
    EXPECT_EQ(report.sheets.size(), sheets);
    EXPECT_EQ(report.pointsOffSheet, 0U);
    for (const SheetAccuracy& sheet : report.sheets) {
      EXPECT_GT(sheet.points, 400U) << "sheet " << sheet.sheet;
      EXPECT_LE(sheet.maxMm, 0.15) << "sheet " << sheet.sheet;
    }
    ExpectNoTwinProblems();
  }
  // The twin understood every text and request the station sent it, and saw nothing amiss.
  void ExpectNoTwinProblems() {
    for (const std::string& problem : Machine().Bed().Problems()) ADD_FAILURE() << problem;
    for (const std::string& refusal : Machine().Feeder().Refusals()) ADD_FAILURE() << refusal;
    for (const CutterInstruction& i : Machine().Cutter().Instructions()) {
      if (!i.understood) ADD_FAILURE() << "not understood: " << i.text;
    }
  }

  test::TempDir temp;
  test::FakeMainWindowView view;
  test::MemoryProfile profile;
  NullPreviewCanvas canvas;
  test::FakePdf pdf;
  SimStation station;
  MainWindowModel& model;

 private:
  MainWindowModel& BuildWindow() { return station.BuildWindow({view, canvas, pdf, profile}); }
};

}  // namespace orvex::sim
