// The up and down arrows beside a numeric edit: each press steps the edit's whole-number text
// by one within the arrows' limits, as the operator would type it, so the edit's own handlers
// (text changed, range check on taking) see an ordinary edit.
#pragma once

#include <QLineEdit>
#include <QWidget>

namespace orvex::gui {

class SpinButtons : public QWidget {
 public:
  SpinButtons(QLineEdit& buddy, QWidget* parent);
  void SetRange(int minimum, int maximum);

 private:
  void Step(int delta);

  QLineEdit& buddy_;
  int minimum_ = 0;
  int maximum_ = 100;
};

}  // namespace orvex::gui
