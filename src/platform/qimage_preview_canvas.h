// The job preview drawn into a QImage: what the main window shows and what orvex-cli saves as a
// PNG. Lines are drawn without antialiasing, one pixel wide, as the preview rule wants them.
#pragma once

#include <QImage>
#include <QPainter>
#include <QString>
#include <memory>

#include "import/preview_canvas.h"

namespace orvex {

class QImagePreviewCanvas : public PreviewCanvas {
 public:
  // A white image of `width` x `height` pixels whose target rectangle is `target`.
  QImagePreviewCanvas(int width, int height, PreviewRect target);
  ~QImagePreviewCanvas() override;

  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  PreviewRect Target() const override { return target_; }
  void Clear(int width, int height) override;
  void SelectPen(PreviewPen pen) override;
  void MoveTo(int column, int row) override;
  void LineTo(int column, int row) override;

  // Ends the drawing and returns the image.
  const QImage& Image();
  bool SavePng(const QString& path);

 private:
  QPainter& Painter();

  QImage image_;
  PreviewRect target_;
  std::unique_ptr<QPainter> painter_;
  PreviewPen pen_ = PreviewPen::kCut;
  int column_ = 0;
  int row_ = 0;
};

}  // namespace orvex
