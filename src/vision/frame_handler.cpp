// The frame-ready handler and the frame requests.
#include "vision/frame_handler.h"

#include "vision/edge_search.h"

namespace orvex {

void FrameHandler::RequestFrame() {
  snapshots_.SetCaptureDir(workDir_);
  buffer_.RequestGrab();
}

void FrameHandler::StartCalibrationRead() {
  context_.calibrationRead = 1;
  context_.searchAttempts = 0;
  RequestFrame();
}

void FrameHandler::OnFrameReady() {
  if (running_) {
    ++pending_;
    return;
  }
  running_ = true;
  HandleOne();
  while (pending_ > 0) {
    --pending_;
    HandleOne();
  }
  running_ = false;
}

int FrameHandler::RepaintStill() {
  if (!snapshots_.SnapshotWritten() || !buffer_.CopyLast(repaint_)) return 0;
  return snapshots_.ShowStill(repaint_.frame);
}

void FrameHandler::HandleOne() {
  // One complete copy, taken under the buffer's guard, serves the snapshot and the analysis.
  if (!buffer_.CopyLast(work_)) return;
  snapshots_.TakeSnapshot(buffer_, work_);
  if (context_.detectionHold != 0) return;
  Analyse();
}

void FrameHandler::Analyse() {
  ++analyses_;
  const bool calibration = context_.calibrationRead != 0;
  MarkPoint result;
  // A calibration read measures the cut square even when edge mode is left over from a run.
  if (calibration || context_.edgeMode == 0) {
    result = FindMark(work_.frame, context_, actions_);
  } else {
    result = FindSheetEdge(work_.frame, context_, actions_);
  }
  context_.markCol = result.col;
  context_.markRow = result.row;
  context_.markResult = result.Found() ? 1 : -1;
  if (!calibration) return;

  if (!result.Found()) actions_.ShowInformation(kCalibrationNotFoundMessage);
  const OffsetPair measured = ConvertCalibrationRead(result.col, result.row, context_.markScale);
  if (calibrationSink_ != nullptr) calibrationSink_->OnCalibrationRead(measured);
  context_.calibrationRead = 0;
}

}  // namespace orvex
