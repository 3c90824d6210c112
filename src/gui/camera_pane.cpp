#include "gui/camera_pane.h"

#include <QMetaObject>
#include <QPainter>

#include "vision/camera_frame.h"

namespace orvex::gui {

namespace {
constexpr qint64 kLiveIntervalMs = 200;  // the camera's five frames a second
}

QImage FrameToImage(const std::uint8_t* bytes, std::size_t length, int width, int height) {
  const qsizetype stride = static_cast<qsizetype>(width) * 3;
  if (bytes == nullptr || width <= 0 || height <= 0 ||
      length < static_cast<std::size_t>(stride) * static_cast<std::size_t>(height)) {
    return {};
  }
  const QImage view(bytes, width, height, stride, QImage::Format_BGR888);
  return view.mirrored(false, true);  // a new image: bottom row first becomes top row first
}

CameraPane::CameraPane(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

void CameraPane::SetImage(const QImage& image) {
  image_ = image;
  update();
}

void CameraPane::DrawStill(const CameraFrame& frame, const BitmapInfoHeader& /*header*/) {
  SetImage(FrameToImage(frame.bytes.data(), frame.bytes.size(), frame.width, frame.height));
}

QSize CameraPane::sizeHint() const {
  // 4:3 like the camera, about a third of its picture at the default font.
  const int unit = fontMetrics().height();
  return {unit * 14, unit * 14 * 3 / 4};
}

void CameraPane::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  if (image_.isNull()) {
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(rect(), image_);
}

void LiveFeed::SetFrameSize(int width, int height) {
  std::lock_guard<std::mutex> lock(mutex_);
  width_ = width;
  height_ = height;
}

void LiveFeed::OnFrame(double /*sampleTimeSeconds*/, const std::uint8_t* bytes,
                       std::size_t length) {
  if (pending_.load()) return;
  QImage image;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (shownOne_ && sinceLast_.elapsed() < kLiveIntervalMs) return;
    image = FrameToImage(bytes, length, width_, height_);
    if (image.isNull()) return;
    sinceLast_.restart();
    shownOne_ = true;
  }
  pending_.store(true);
  QPointer<CameraPane> pane = pane_;
  if (pane.isNull()) return;
  QMetaObject::invokeMethod(
      pane.data(),
      [this, pane, image] {
        if (!pane.isNull()) pane->SetImage(image);
        pending_.store(false);
      },
      Qt::QueuedConnection);
}

}  // namespace orvex::gui
