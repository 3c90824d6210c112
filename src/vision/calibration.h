// Camera calibration: the blade cuts a small square, the camera reads it (inverted search), and
// its distance from the image centre gives the camera's offset from the blade. Here are the
// conversion, the dialog's model behind a view port, and the opener's choice of mode and store.
#pragma once

#include <string_view>

#include "core/profile.h"

namespace orvex {

// A camera offset pair in 0.1 mm.
struct OffsetPair {
  int x = 0;
  int y = 0;
  bool operator==(const OffsetPair&) const = default;
};

inline constexpr int kCalibrationCutCommand = 130;
inline constexpr std::string_view kCalibrationCameraTwoCaption = " - Calibration - Camera  2 - ";

// The pair a read square at (markCol, markRow) gives with `markScale` mm per pixel: a square at
// the centre (320, 240) gives (65, 80).
OffsetPair ConvertCalibrationRead(float markCol, float markRow, double markScale);

// 1 normal, 2 second camera, 3 wide media (over 600 mm), 4 creasing variant 2 (wins).
int CalibrationMode(int secondCamera, double mediaWidth, int creasingVariant);

// The profile keys of the active camera pair and the defaults File Open loads them with.
struct OffsetKeys {
  std::string_view x;
  std::string_view y;
  int defaultX;
  int defaultY;
};
OffsetKeys ActiveOffsetKeys(int secondCamera);
// Reads the active camera's pair with File Open's defaults.
OffsetPair LoadActiveOffsets(Profile& profile, int secondCamera);

// Where the frame handler puts a calibration read's converted pair.
class CalibrationReadSink {
 public:
  virtual ~CalibrationReadSink() = default;
  virtual void OnCalibrationRead(OffsetPair measured) = 0;
};

// The dialog's controls.
class CalibrationView {
 public:
  virtual ~CalibrationView() = default;
  // Fills the read-only current edits and the editable new edits.
  virtual void ShowValues(OffsetPair current, OffsetPair fresh) = 0;
  // Takes the operator's new values; false (after the view has told the operator) when an edit
  // does not hold an integer in range.
  virtual bool ReadNewValues(OffsetPair& fresh) = 0;
  virtual void SetCaption(std::string_view caption) = 0;
  virtual void ShowCameraTwoLabel() = 0;
  // Ends the modal dialog; `accepted` is true for Set.
  virtual void Close(bool accepted) = 0;
};

// What the dialog's buttons ask of the main window.
class CalibrationCommands {
 public:
  virtual ~CalibrationCommands() = default;
  virtual void SendCutterCommand(int number) = 0;
  virtual void StartCalibrationRead() = 0;
};

class CalibrationDialogModel : public CalibrationReadSink {
 public:
  CalibrationDialogModel(CalibrationView& view, CalibrationCommands& commands)
      : view_(view), commands_(commands) {}

  // The opener: the active pair comes in, the mode is set. Then Start when the dialog shows.
  void Prepare(OffsetPair active, int mode);
  void Start();
  // Every 120 ms while the dialog is open.
  void OnTick();
  void OnCutMarker() { commands_.SendCutterCommand(kCalibrationCutCommand); }
  void OnReadMarker() { commands_.StartCalibrationRead(); }
  // Set: new values when both are non-zero, else the current pair; closes with OK.
  void OnSet();
  void OnCancel() { view_.Close(false); }

  void OnCalibrationRead(OffsetPair measured) override { pair_ = measured; }

  // After Set: the chosen pair.
  OffsetPair Result() const { return pair_; }
  OffsetPair Current() const { return current_; }
  OffsetPair Fresh() const { return fresh_; }
  int Mode() const { return mode_; }

 private:
  CalibrationView& view_;
  CalibrationCommands& commands_;
  OffsetPair pair_;  // in: the active pair; while open: the last measurement; out: the result
  OffsetPair current_;
  OffsetPair fresh_;  // kept from one opening to the next
  int mode_ = 1;
};

}  // namespace orvex
