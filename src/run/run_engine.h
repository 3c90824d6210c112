// The run engine: the main window's timer tick and its run buttons. It brings sheets from the
// feeder (StartSheet), confirms each mark from two agreeing analyses, has CutSheet register and
// cut the sheet, polls the cutter's status between sheets (PollStatus) and starts the next sheet
// when the cutter has finished (SheetFinishedCheck). It also keeps the cutter status area
// (StatusDisplay), Pause/Resume, Cut Test, jog and the tool-change test cycle.
//
// The long sequences (a sheet's feed, its cut stream) are linear code that waits on the Clock.
// A tick or a frame-ready notice that arrives while one runs (from the GUI's nested event loop
// or the twin's clock) is not handled inside it: it is noted and handled when the outermost
// sequence returns, one tick however many arrived, every frame notice in order.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/clock.h"
#include "core/run_context.h"
#include "core/work_dir.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "run/cut_sheet.h"
#include "run/cutter_command.h"
#include "run/run_events.h"
#include "run/run_ports.h"
#include "run/sleep_inhibitor.h"

namespace orvex {

// Operator messages of the run.
inline constexpr std::string_view kNoGraphicLoadedMessage = "No Graphic file is loaded";
inline constexpr std::string_view kFeederOffMessage = "Sheet feeder switched off or not connected";
inline constexpr std::string_view kHighForceQuestion = "High Cut force \n Continue ? ";
inline constexpr std::string_view kZeroWidthMessage = "Cut width = 0/ Cannot continue";
inline constexpr std::string_view kAttentionCaption = "Attention!";
inline constexpr std::string_view kCutterOffLineText = "Cutter off line !";
inline constexpr std::string_view kLoadMediaText = "Load media !";
inline constexpr std::string_view kCutterReadyText = "Cutter ready";

// Run timing.
inline constexpr int kTickMs = 120;
inline constexpr int kCutTestGuardSeconds = 5;
// Two analyses confirm a mark when they differ by less than this in both coordinates.
inline constexpr float kMarkAgreementPx = 2.0F;

// The 64-byte sheet request for the current settings (bytes 62 and 63 kept within 0-255).
struct SheetRequest {
  std::uint8_t bytes[kFeederReportBytes];
};
SheetRequest BuildSheetRequest(const RunFields& fields, const RunContext& ctx);

// Everything the engine talks to. All must outlive the engine.
struct RunPorts {
  CutterLink& cutter;
  FeederLink& feeder;
  Clock& clock;
  RunApplication& app;
  RunView& view;
  RunVision& vision;
};

// The camera's pixels per 4 mm a sheet is registered with: the model's camera, or on the wide
// carriage the mark size the technician set (46 when that is below 40).
int RunMarkSize(const RunContext& ctx);

class RunEngine : private RunEvents {
 public:
  RunEngine(RunContext& ctx, WorkDir dir, RunPorts ports);
  RunEngine(const RunEngine&) = delete;
  RunEngine& operator=(const RunEngine&) = delete;

  // The window's values as the engine last took them; the window may edit them between calls.
  RunFields& Fields() { return fields_; }
  // What keeps the PC awake from Start to the run's end; null: nothing is held.
  void SetSleepInhibitor(SleepInhibitor* inhibitor) { inhibitor_ = inhibitor; }
  const RunFields& Fields() const { return fields_; }

  // --- Notifications ---------------------------------------------------------------------------
  // Timer 10, every kTickMs.
  void OnTimer();
  // A requested frame has arrived (message 0x8001): analysed now, or after the running sequence.
  void OnFrameReady();

  // --- Buttons ---------------------------------------------------------------------------------
  void Start();        // 1024 "Start" / "Stop"
  void PauseResume();  // 1014 "Pause" / "Resume"; acts only during a run
  void CutTest();      // 1013
  void Cycle();        // 1128, the tool-change test cycle on/off
  void JogPress(JogButton button);
  void JogRelease();  // any release; acts only after a press

  // Close request: true when the window may close now; false while a sheet is being registered
  // (the next tick ends the process).
  bool RequestClose();
  // The window is closing: a run still going no longer keeps the PC awake.
  void ReleaseSleep();

  // Ends the run: run state back to idle, controls, and the report when a sheet was cut. Also
  // what the mark search calls when it gives up after more than one sheet: the window's
  // MarkSearchActions route FinishJob here and SheetCount to Fields().sheet.sheetCount.
  void FinishJob() override;

  // --- The steps, public for the window and for tests ----------------------------------------
  void StartSheet();
  void PollStatus();
  void SheetFinishedCheck();
  void StatusDisplay();

  // --- State the window shows --------------------------------------------------------------------
  bool Running() const { return running_; }  // Start reads "Stop"
  bool Paused() const { return paused_; }    // Pause reads "Resume"
  bool Busy() const { return busyDepth_ > 0; }
  // Nesting of the handler or sequence now running: 1 inside a tick, a frame notice or a button
  // handler run on its own; more inside a sequence that one of them started.
  int SequenceDepth() const { return busyDepth_; }
  // Ticks and frame notices that were deferred because a sequence was running (for tests).
  int DeferredTicks() const { return deferredTicksSeen_; }
  int DeferredFrames() const { return deferredFramesSeen_; }

 private:
  void ShowMessage(std::string_view text, MessageIcon icon) override;

  void Tick();
  void EvaluateMark();
  void ToolCycleStep();
  void RunCutSheet();
  void ResetDetection();
  void OrderIfNeeded();
  int Command(int number);
  void Sleep(int ms);
  void DrainDeferred();

  // Marks a blocking sequence; deferred notices run when the outermost one ends.
  class BusyScope {
   public:
    explicit BusyScope(RunEngine& engine);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

   private:
    RunEngine& engine_;
  };

  RunContext& ctx_;
  WorkDir dir_;
  RunPorts ports_;
  RunFields fields_;
  SleepInhibitor* inhibitor_ = nullptr;
  bool sleepHeld_ = false;  // from Start until the run ends

  bool running_ = false;
  bool paused_ = false;
  int busyDepth_ = 0;
  bool draining_ = false;
  bool tickDeferred_ = false;
  int finishCount_ = 0;   // FinishJob calls, to tell whether a sequence ended the run
  int staleReplies_ = 0;  // finish checks in a row that found no fresh reply
  int framesDeferred_ = 0;
  int deferredTicksSeen_ = 0;
  int deferredFramesSeen_ = 0;

  // The settings the last cut order was computed with; -1: never computed.
  struct OrderKey {
    int passes = -1;
    int edgeMode = -1;
    int specialMode = -1;
    int reverse = -1;
    bool operator==(const OrderKey&) const = default;
  };
  OrderKey lastOrder_;
};

}  // namespace orvex
