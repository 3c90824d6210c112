// The two camera panes of the main window: the live picture (left) and the last frame the run
// analysed (right). Both show the camera's 640x480 picture stretched onto the pane, pixels
// repeated or dropped rather than blended, so a mark's edge looks as sharp as the search saw it.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "core/frame_source.h"
#include "vision/snapshot.h"

namespace orvex::gui {

// A bottom-up BGR24 camera buffer as an upright picture, copied: the buffer may change the
// moment this returns. A buffer shorter than its size gives a null image.
QImage FrameToImage(const std::uint8_t* bytes, std::size_t length, int width, int height);

class CameraPane : public QWidget, public StillView {
 public:
  explicit CameraPane(QWidget* parent);
  void SetImage(const QImage& image);
  const QImage& Image() const { return image_; }

  // The still pane's drawing: the frame just saved as a snapshot.
  void DrawStill(const CameraFrame& frame, const BitmapInfoHeader& header) override;

  QSize sizeHint() const override;
  // The camera's 4:3, whatever width the layout gives the pane.
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return width * 3 / 4; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

// The live pane's feed from the camera. Frames arrive on the camera's thread (or the simulated
// machine's); at most five a second are copied and handed to the pane through the window's
// event queue, and a frame is skipped while the previous one has not been painted yet, so a
// busy window never piles up pictures.
class LiveFeed : public FrameSink {
 public:
  explicit LiveFeed(CameraPane& pane) : pane_(&pane) { sinceLast_.start(); }
  void SetFrameSize(int width, int height);
  void OnFrame(double sampleTimeSeconds, const std::uint8_t* bytes, std::size_t length) override;

 private:
  QPointer<CameraPane> pane_;
  std::mutex mutex_;
  QElapsedTimer sinceLast_;
  bool shownOne_ = false;
  int width_ = 640;
  int height_ = 480;
  std::atomic<bool> pending_{false};
};

}  // namespace orvex::gui
