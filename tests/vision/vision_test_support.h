// Frames the vision tests draw, and a recorder of what the searches ask of the machine.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "vision/camera_frame.h"
#include "vision/mark_search_actions.h"

namespace orvex::test {

// Sets pixel (column, buffer row) to the grey `value` in all three channels.
inline void SetGrey(CameraFrame& frame, int column, int row, int value) {
  std::uint8_t* p = frame.bytes.data() + static_cast<std::size_t>(row) * kFrameStride +
                    static_cast<std::size_t>(column) * 3;
  p[0] = p[1] = p[2] = static_cast<std::uint8_t>(value);
}

inline CameraFrame UniformFrame(int grey) {
  CameraFrame frame = MakeStandardFrame();
  std::fill(frame.bytes.begin(), frame.bytes.end(), static_cast<std::uint8_t>(grey));
  return frame;
}

// A filled rectangle: columns [left, left + width), buffer rows [top, top + height).
inline void FillRect(CameraFrame& frame, int left, int top, int width, int height, int grey) {
  for (int r = top; r < top + height; ++r) {
    for (int c = left; c < left + width; ++c) SetGrey(frame, c, r, grey);
  }
}

// Paper 220 with one square of grey 20.
inline CameraFrame FrameWithSquare(int left, int top, int size, int paper = 220, int ink = 20) {
  CameraFrame frame = UniformFrame(paper);
  FillRect(frame, left, top, size, size, ink);
  return frame;
}

class RecordingActions : public MarkSearchActions {
 public:
  void SendFeederReportAndClose(std::string_view report, int timeoutMs) override {
    log.push_back("feeder " + std::string(report) + " " + std::to_string(timeoutMs));
  }
  void ShowInformation(std::string_view message) override {
    log.push_back("message " + std::string(message));
    if (duringMessage) duringMessage();
  }
  void SendCutterCommand(int number) override {
    log.push_back("command " + std::to_string(number));
  }
  int SheetCount() override { return sheets; }
  void FinishJob() override { log.push_back("finish"); }

  std::vector<std::string> log;
  int sheets = 0;
  std::function<void()> duringMessage;  // what the event loop of a modal box would run
};

}  // namespace orvex::test
