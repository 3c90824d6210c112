#include "gui/preview_pane.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <utility>

namespace orvex::gui {

PreviewPane::PreviewPane(QImagePreviewCanvas& canvas, QWidget* parent)
    : QWidget(parent), canvas_(canvas) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize PreviewPane::sizeHint() const {
  return {canvas_.Width(), canvas_.Height()};
}

void PreviewPane::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::white);
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  // The drawing's (2, 2) origin and its (W - 5) x (H - 5) face, scaled to the pane the layout
  // gave us rather than copied at a fixed size.
  const QImage& image = canvas_.Image();
  const QRect source(0, 0, image.width() - 5, image.height() - 5);
  const QRect target = rect().adjusted(2, 2, -3, -3);
  // Shrunk pixel by pixel, a one-pixel contour line falls between the rows kept and vanishes;
  // blended, it stays as a lighter line. Grown, the pixels are repeated and stay sharp.
  const bool shrunk = target.width() < source.width() || target.height() < source.height();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, shrunk);
  painter.drawImage(target, image, source);
}

SpecialColorGroup::SpecialColorGroup(const QString& title, std::function<bool()> framed,
                                     QWidget* parent)
    : QGroupBox(title, parent), framed_(std::move(framed)) {}

void SpecialColorGroup::paintEvent(QPaintEvent* event) {
  QGroupBox::paintEvent(event);
  if (!framed_ || !framed_()) return;
  // An open magenta frame around the group, broken at the top where the caption stands.
  QStyleOptionGroupBox option;
  initStyleOption(&option);
  const QRect caption =
      style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, this);
  const QRect box = rect().adjusted(0, 0, -1, -1);
  const int top = caption.center().y();
  QPainter painter(this);
  painter.setPen(QPen(QColor(255, 0, 255), 1));
  const QPoint points[] = {{caption.left() - 2, top},  {box.left(), top},
                           {box.left(), box.bottom()}, {box.right(), box.bottom()},
                           {box.right(), top},         {caption.right() + 2, top}};
  painter.drawPolyline(points, 6);
}

}  // namespace orvex::gui
