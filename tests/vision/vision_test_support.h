// Frames the vision tests draw, a counter of frame notices, and a recorder of what the searches
// ask of the machine.
#pragma once

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "vision/camera_frame.h"
#include "vision/frame_buffer.h"
#include "vision/mark_search_actions.h"

namespace orvex::test {

inline constexpr int kPaper = 220;
inline constexpr int kInk = 20;

// Columns [left, left + width) and buffer rows [top, top + height) in one grey.
struct Rect {
  int left, top, width, height;
  int grey = kInk;
};

inline Rect Square(int left, int top, int size, int grey = kInk) {
  return {left, top, size, size, grey};
}

// The one drawing the vision tests make: a 640x480 frame of `paper` with rectangles over it.
inline CameraFrame Drawn(int paper, const std::vector<Rect>& rects = {}) {
  CameraFrame frame = MakeStandardFrame();
  std::fill(frame.bytes.begin(), frame.bytes.end(), static_cast<std::uint8_t>(paper));
  for (const Rect& rect : rects) {
    for (int r = rect.top; r < rect.top + rect.height; ++r) {
      auto* row = frame.bytes.data() + static_cast<std::size_t>(r) * kFrameStride;
      std::fill(row + rect.left * 3, row + (rect.left + rect.width) * 3,
                static_cast<std::uint8_t>(rect.grey));
    }
  }
  return frame;
}

class CountingPoster : public FrameReadyPoster {
 public:
  void PostFrameReady() override { ++posts; }
  std::atomic<int> posts{0};
};

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
