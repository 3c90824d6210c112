#include "gui/spin_buttons.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace orvex::gui {

namespace {

QToolButton* Arrow(Qt::ArrowType type, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setArrowType(type);
  button->setAutoRepeat(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  button->setMaximumHeight(button->fontMetrics().height());
  return button;
}

}  // namespace

SpinButtons::SpinButtons(QLineEdit& buddy, QWidget* parent) : QWidget(parent), buddy_(buddy) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  QToolButton* up = Arrow(Qt::UpArrow, this);
  QToolButton* down = Arrow(Qt::DownArrow, this);
  column->addWidget(up);
  column->addWidget(down);
  connect(up, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void SpinButtons::SetRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = maximum;
}

void SpinButtons::Step(int delta) {
  bool ok = false;
  const int now = buddy_.text().trimmed().toInt(&ok);
  // Text that is not a number starts from the lower limit's side of 0, as the arrows would.
  const int next = std::clamp((ok ? now : 0) + delta, minimum_, maximum_);
  if (ok && next == now) return;
  buddy_.setText(QString::number(next));
}

}  // namespace orvex::gui
