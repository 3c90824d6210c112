// The job preview (control 1029) and the "Special Color" group that is framed in magenta while
// the loaded job has special paths. The loader draws the job into an off-screen image; painting
// only copies that image, so a repaint never re-reads the job.
#pragma once

#include <QGroupBox>
#include <QWidget>
#include <functional>

#include "platform/qimage_preview_canvas.h"

namespace orvex::gui {

class PreviewPane : public QWidget {
 public:
  PreviewPane(QImagePreviewCanvas& canvas, QWidget* parent);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImagePreviewCanvas& canvas_;
};

class SpecialColorGroup : public QGroupBox {
 public:
  // `framed` says whether the loaded job has special paths.
  SpecialColorGroup(const QString& title, std::function<bool()> framed, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::function<bool()> framed_;
};

}  // namespace orvex::gui
