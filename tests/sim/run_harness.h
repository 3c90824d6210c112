// A whole run on the simulated machine, driven the way the window drives the run engine: the
// 120 ms timer and the camera's frame notices are events of the twin's virtual clock, so they
// also fall due inside the engine's blocking sequences (and must be deferred there). The window's
// ports are kept in memory: messages, report lines and field copies are recorded.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/run_context.h"
#include "core/work_dir.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "run/run_engine.h"
#include "sim/sim_machine.h"
#include "vision/camera_frame.h"
#include "vision/mark_search_actions.h"

namespace orvex::sim {

class RunHarness : public RunApplication,
                   public RunView,
                   public RunVision,
                   public MarkSearchActions {
 public:
  // `imported` is the run context as the import left it for the job in `workDir`.
  RunHarness(SimMachine& machine, const std::filesystem::path& workDir, const RunContext& imported);
  ~RunHarness() override;
  RunHarness(const RunHarness&) = delete;
  RunHarness& operator=(const RunHarness&) = delete;

  RunEngine& Engine() { return engine_; }
  RunContext& Ctx() { return ctx_; }
  CutterLink& Link() { return link_; }

  // Starts the 120 ms timer (as the window's initialisation does).
  void StartTimer();
  // Runs virtual time until the run has ended or `limitMs` have passed. True when it ended.
  bool RunUntilEnded(std::int64_t limitMs);
  // Runs virtual time for `ms`.
  void RunFor(std::int64_t ms);

  // --- Records ---------------------------------------------------------------------------------
  std::vector<std::string> messages;
  std::vector<int> reportedSheetCounts;  // sheet count at every logged run end
  int exits = -1;
  int windowSetUps = 0;
  int analyses = 0;
  int framesRequested = 0;
  int analysesInsideSequences = 0;  // frame analyses run while a sequence was running
  int ticks = 0;
  int ticksInsideSequences = 0;
  bool answerYes = true;
  bool jobLoaded = true;

  // --- RunApplication ----------------------------------------------------------------------------
  bool JobLoaded() override { return jobLoaded; }
  bool OpenHasBeenUsed() override { return true; }
  void TakeFields(RunFields& /*fields*/) override {}
  void ShowFields(const RunFields& /*fields*/) override {}
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
  bool AskYesNo(std::string_view text, std::string_view caption) override;
  void StoreRunSettings(RunFields& /*fields*/) override {}
  void ReloadCameraOffsets() override {}
  void StoreMarkSize(int /*pixels*/) override {}
  void LogFinishedRun(const RunFields& fields) override;
  void WindowSetUp() override { ++windowSetUps; }
  void TimerRefresh() override;
  void ExitProcess(int code) override { exits = code; }

  // --- RunView -----------------------------------------------------------------------------------
  void SetControlText(int controlId, std::string_view text) override;
  void EnableControl(int /*controlId*/, bool /*enabled*/) override {}
  void SetControlIcon(int /*controlId*/, int /*iconId*/) override {}
  std::string startCaption = "Start";

  // --- RunVision ---------------------------------------------------------------------------------
  void RequestFrame() override;
  void AnalyseFrame() override;
  void SwitchCamera(int /*camera*/) override {}

  // --- MarkSearchActions -------------------------------------------------------------------------
  void SendFeederReportAndClose(std::string_view report, int timeoutMs) override;
  void ShowInformation(std::string_view message) override;
  void SendCutterCommand(int number) override;
  int SheetCount() override { return engine_.Fields().sheet.sheetCount; }
  void FinishJob() override { engine_.FinishJob(); }

 private:
  void ScheduleTick();

  SimMachine& machine_;
  RunContext ctx_;
  CutterLink link_;
  FeederLink feeder_;
  RunEngine engine_;
  CameraFrame frame_;
  bool frameWaiting_ = false;
  bool timerOn_ = false;
  SimClock::EventId tickEvent_ = 0;
  int runEnds_ = 0;
};

}  // namespace orvex::sim
