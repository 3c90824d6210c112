// The calibration dialog's window in memory: it records what the model shows and hands back the
// new pair as last shown, or as the test typed it over.
#pragma once

#include <string>

#include "vision/calibration.h"

namespace orvex::test {

class FakeCalibrationView : public CalibrationView {
 public:
  void ShowValues(OffsetPair shownCurrent, OffsetPair shownFresh) override {
    current = shownCurrent;
    fresh = shownFresh;
    ++shows;
  }
  bool ReadNewValues(OffsetPair& values) override {
    values = fresh;
    return true;
  }
  void SetCaption(std::string_view text) override { caption = std::string(text); }
  void ShowCameraTwoLabel() override {}
  void Close(bool wasAccepted) override { accepted = wasAccepted, ++closes; }
  OffsetPair current;
  OffsetPair fresh;
  std::string caption;
  bool accepted = false;
  int shows = 0;
  int closes = 0;
};

}  // namespace orvex::test
