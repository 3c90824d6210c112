// The calibration dialog: the current camera offsets, the measured ones, and the buttons that
// have the cutter cut the square and the camera read it; the passive view of
// CalibrationDialogModel. One instance lives as long as the main window, because the model
// keeps its view from one opening to the next.
#pragma once

#include <QDialog>
#include <QTimer>

#include "gui/control_table.h"
#include "vision/calibration.h"

namespace orvex::gui {

class CalibrationWindow : public QDialog, public CalibrationView {
  Q_OBJECT

 public:
  explicit CalibrationWindow(QWidget* parent);

  // Shows the dialog modally over `model`, which the opener has prepared: the model's Start,
  // then its tick every 120 ms while the dialog is open. True when it ended with Set.
  bool Run(CalibrationDialogModel& model);

  // --- CalibrationView ---
  void ShowValues(OffsetPair current, OffsetPair fresh) override;
  bool ReadNewValues(OffsetPair& fresh) override;
  void SetCaption(std::string_view caption) override;
  void ShowCameraTwoLabel() override;
  void Close(bool accepted) override;

 protected:
  void reject() override;

 private:
  void LayOut();

  CalibrationDialogModel* model_ = nullptr;
  ControlTable table_;
  QTimer tick_;
};

}  // namespace orvex::gui
