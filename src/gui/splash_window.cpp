// The splash's face is drawn here from the program's own icon and name, at any scale.
#include "gui/splash_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace orvex::gui {

namespace {

constexpr int kVersionEdit = 1114;
constexpr int kRefreshMs = 120;

// The picture: the program's icon large, its name beside it, on a light face. Sized in lines
// of the window's font, so it grows with the font and the screen's scale.
class SplashPicture : public QWidget {
 public:
  explicit SplashPicture(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  }

  QSize sizeHint() const override {
    const int line = fontMetrics().height();
    return {line * 26, line * 12};
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect face = rect();
    QLinearGradient ground(face.topLeft(), face.bottomLeft());
    ground.setColorAt(0.0, QColor(250, 251, 253));
    ground.setColorAt(1.0, QColor(214, 224, 238));
    painter.fillRect(face, ground);

    const int iconSide = face.height() * 6 / 10;
    const int margin = (face.height() - iconSide) / 2;
    const QRect iconArea(face.left() + margin, face.top() + margin, iconSide, iconSide);
    QApplication::windowIcon().paint(&painter, iconArea);

    QFont name = font();
    name.setBold(true);
    name.setPixelSize(std::max(1, iconSide / 2));
    painter.setFont(name);
    painter.setPen(QColor(32, 48, 80));
    const QRect textArea(iconArea.right() + margin, face.top(),
                         face.right() - iconArea.right() - 2 * margin, face.height());
    painter.drawText(textArea, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Orvex"));
  }
};

}  // namespace

SplashWindow::SplashWindow(QWidget* parent, const QString& versionText)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), versionText_(versionText) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new SplashPicture(this), 1);
  auto* version = new QLineEdit(this);
  version->setReadOnly(true);
  version->setFocusPolicy(Qt::NoFocus);
  version->setAlignment(Qt::AlignCenter);
  layout->addWidget(version);
  table_.Add(kVersionEdit, version);
  table_.SetText(kVersionEdit, versionText_);

  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this,
          [this] { table_.SetText(kVersionEdit, versionText_); });
  refresh_.start();
}

void SplashWindow::keyPressEvent(QKeyEvent* event) {
  // The splash has no visible buttons, so Enter ends it as Esc does.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void ShowSplash(QWidget* parent, const QString& versionText) {
  SplashWindow splash(parent, versionText);
  splash.exec();
}

}  // namespace orvex::gui
