// What the run engine asks of the window around it: the window's controls and message boxes,
// the settings and files a run writes (settings at Start, recent.dat, the jobs report), and the
// camera (frame requests, the frame analysis, the camera choice). The main-window model
// implements these over its view, settings store and frame handler; tests record the calls.
#pragma once

#include <string_view>

#include "core/message_icon.h"
#include "run/cut_sheet.h"
#include "run/cutter_command.h"

namespace orvex {

// Control ids of the main window that the run engine captions, enables or decorates.
namespace run_control {
inline constexpr int kCutTest = 1013;
inline constexpr int kPause = 1014;
inline constexpr int kStart = 1024;
inline constexpr int kLastJobStatus = 1035;  // "Open last job", doubling as the status line
inline constexpr int kStatusIcon = 1039;
inline constexpr int kHiddenStatus = 1043;
inline constexpr int kCalibration = 1046;
inline constexpr int kWithoutCropMarks = 1048;
inline constexpr int kDashedEnable = 1069;
}  // namespace run_control

// Icon resources the run engine shows.
namespace run_icon {
inline constexpr int kPause = 170;
inline constexpr int kResume = 173;
inline constexpr int kCutterNotReady = 148;  // 32 x 32, in the status static
inline constexpr int kCutterReady = 149;
}  // namespace run_icon

// Every main-window value the run reads or shows. The window fills it from its controls when
// the engine asks (TakeFields) and shows it back (ShowFields); the engine never reads controls.
struct RunFields {
  SheetCutFields sheet;           // transmission values, sheet count, edit 1099
  CutterCommandInputs commands;   // forces, dashed line, label step, blade up
  int uplift = 0;                 // "discesa", edit 1068, -100 to 100
  int insertion = 0;              // "inser", edit 1058, -100 to 155
  int passSelection = 0;          // combo 1084, 0-based
  int specialSelection = 0;       // combo 1101, 0-based
  double cutterWidthShown = 0.0;  // edit 1028, display unit
};

// The window: fields, messages, settings and files that belong to the application.
class RunApplication {
 public:
  virtual ~RunApplication() = default;

  // A job went through the whole loader (Start and Cut Test need one).
  virtual bool JobLoaded() = 0;
  // File Open or Open last job has been used at least once (the status area waits for it).
  virtual bool OpenHasBeenUsed() = 0;

  // "Refresh the fields": take the controls into `fields` (with the window's range checks).
  virtual void TakeFields(RunFields& fields) = 0;
  // "Show the fields": put `fields` back into the controls. Between a TakeFields and this call
  // the engine changes only sheet.sheetCount, sheet.feedScaleShown and cutterWidthShown (and
  // what StoreRunSettings changes), so a window that keeps its own members may copy just those.
  virtual void ShowFields(const RunFields& fields) = 0;

  // A modal message box; returns when the operator has closed it.
  virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
  // A modal Yes/No question; true for Yes.
  virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;

  // Start's bookkeeping before the first sheet: the camera offsets with the manual corrections,
  // the run settings, recent.dat; then the manual corrections back to 0 (unless mark mode 2).
  virtual void StoreRunSettings(RunFields& fields) = 0;
  // Cut Test: the active camera's offsets read again from the settings into the run context.
  virtual void ReloadCameraOffsets() = 0;
  // The sheet cycle's camera scale, written back to "mpix".
  virtual void StoreMarkSize(int pixelsPer4Mm) = 0;
  // The end of a run with at least one sheet cut: the angle log and the jobs report line.
  virtual void LogFinishedRun(const RunFields& fields) = 0;

  // The window's one-time set-up, ten ticks after the timer started.
  virtual void WindowSetUp() = 0;
  // The timer's deferred field refresh and force limit (edits made since the last tick).
  virtual void TimerRefresh() = 0;
  // Ends the process (closed while a sheet was registered): frames released, exit code.
  virtual void ExitProcess(int code) = 0;
};

// The window's controls as the run's status area and run buttons use them.
class RunView {
 public:
  virtual ~RunView() = default;
  virtual void SetControlText(int controlId, std::string_view text) = 0;
  virtual void EnableControl(int controlId, bool enabled) = 0;
  virtual void SetControlIcon(int controlId, int iconId) = 0;
};

// The camera, as the run uses it.
class RunVision {
 public:
  virtual ~RunVision() = default;
  // Asks for the next delivered frame to be analysed.
  virtual void RequestFrame() = 0;
  // Handles one frame-ready notice: the analysis (mark or edge search) into markCol, markRow
  // and markResult, or its give-up actions. The engine calls it only outside blocking sequences.
  virtual void AnalyseFrame() = 0;
  // 0 the first camera, 1 the second (wide media).
  virtual void SwitchCamera(int camera) = 0;
};

}  // namespace orvex
