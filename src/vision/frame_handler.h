// The main thread's side of a requested frame: RequestFrame, the calibration read, and the
// frame-ready handler (snapshot, then the analysis unless the run holds it). The handler is
// not re-entrant: a notice that arrives while it runs (from inside a message box it shows) is
// handled after it returns, so one request can never give up or eject twice at once.
#pragma once

#include <filesystem>

#include "core/run_context.h"
#include "vision/calibration.h"
#include "vision/frame_buffer.h"
#include "vision/mark_search.h"
#include "vision/mark_search_actions.h"
#include "vision/snapshot.h"

namespace orvex {

class FrameHandler {
 public:
  FrameHandler(RunContext& context, FrameBuffer& buffer, SnapshotStore& snapshots,
               MarkSearchActions& actions, std::filesystem::path workDir)
      : context_(context),
        buffer_(buffer),
        snapshots_(snapshots),
        actions_(actions),
        workDir_(std::move(workDir)) {}

  // Where a calibration read's pair goes (the open calibration dialog); may be null.
  void SetCalibrationSink(CalibrationReadSink* sink) { calibrationSink_ = sink; }

  // Asks for the next delivered frame; snapshots go to the working directory.
  void RequestFrame();
  // "Read Marker": the next analysis is an inverted mark search with a fresh attempt count.
  void StartCalibrationRead();
  // The frame-ready notice.
  void OnFrameReady();
  // The still pane's repaint: the last delivered frame, copied under the guard, with the header
  // of the last snapshot. 1 when it drew.
  int RepaintStill();

  // Analyses carried out (for tests and diagnostics).
  int Analyses() const { return analyses_; }

 private:
  void HandleOne();
  void Analyse();

  RunContext& context_;
  FrameBuffer& buffer_;
  SnapshotStore& snapshots_;
  MarkSearchActions& actions_;
  std::filesystem::path workDir_;
  CalibrationReadSink* calibrationSink_ = nullptr;

  DeliveredFrame work_;  // the main thread's own copy; its storage is reused
  DeliveredFrame repaint_;
  bool running_ = false;
  int pending_ = 0;
  int analyses_ = 0;
};

}  // namespace orvex
