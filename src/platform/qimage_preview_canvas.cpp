#include "platform/qimage_preview_canvas.h"

#include <QPen>

namespace orvex {
namespace {

QPen PenFor(PreviewPen pen) {
  QPen qpen(pen == PreviewPen::kSpecial ? QColor(255, 0, 255) : QColor(0, 0, 0));
  qpen.setWidth(1);
  qpen.setStyle(Qt::SolidLine);
  return qpen;
}

}  // namespace

QImagePreviewCanvas::QImagePreviewCanvas(int width, int height, PreviewRect target)
    : image_(width, height, QImage::Format_RGB32), target_(target) {
  image_.fill(Qt::white);
}

QImagePreviewCanvas::~QImagePreviewCanvas() = default;

QPainter& QImagePreviewCanvas::Painter() {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setPen(PenFor(pen_));
  }
  return *painter_;
}

void QImagePreviewCanvas::Clear(int width, int height) {
  Painter().fillRect(0, 0, width, height, Qt::white);
}

void QImagePreviewCanvas::SelectPen(PreviewPen pen) {
  pen_ = pen;
  Painter().setPen(PenFor(pen));
}

void QImagePreviewCanvas::MoveTo(int column, int row) {
  column_ = column;
  row_ = row;
}

void QImagePreviewCanvas::LineTo(int column, int row) {
  Painter().drawLine(column_, row_, column, row);
  column_ = column;
  row_ = row;
}

const QImage& QImagePreviewCanvas::Image() {
  painter_.reset();
  return image_;
}

bool QImagePreviewCanvas::SavePng(const QString& path) {
  return Image().save(path, "PNG");
}

}  // namespace orvex
