// The window's waits: it paints through them, and the operator's click made during one is
// delivered once the wait is over, not lost and not acted on in the middle of the sequence.
#include "gui/event_loop_wait.h"

#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include "gui_test_support.h"

namespace orvex::gui {
namespace {

class PaintCounter : public QWidget {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* /*event*/) override { ++paints; }
};

TEST(EventLoopWaitTest, PaintsDuringTheWaitAndHoldsAClickUntilItEnds) {
  QWidget window;
  auto* pane = new PaintCounter;
  pane->setParent(&window);
  pane->setGeometry(0, 0, 100, 100);
  auto* button = new QPushButton(QStringLiteral("Start"), &window);
  button->setGeometry(0, 100, 100, 40);
  window.resize(100, 140);
  window.show();
  ASSERT_TRUE(testing::WaitFor([&] { return window.windowHandle()->isExposed(); }));
  testing::WaitFor([] { return false; }, 50);

  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
  const QPointF inButton(50, 120);
  QTimer::singleShot(40, [&] {
    pane->update();
    // As the window system delivers a real press and release: queued, not sent.
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window.windowHandle(), inButton, window.mapToGlobal(inButton), Qt::LeftButton,
        Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window.windowHandle(), inButton, window.mapToGlobal(inButton), Qt::NoButton, Qt::LeftButton,
        QEvent::MouseButtonRelease);
  });

  const int paintsBefore = pane->paints;
  QElapsedTimer elapsed;
  elapsed.start();
  WaitInEventLoop(300);
  EXPECT_GE(elapsed.elapsed(), 300);
  EXPECT_GT(pane->paints, paintsBefore);  // repainted while waiting
  EXPECT_EQ(clicks, 0);                   // the click waited
  EXPECT_EQ(WaitDepth(), 0);

  EXPECT_TRUE(testing::WaitFor([&] { return clicks == 1; }));  // and was not lost
}

}  // namespace
}  // namespace orvex::gui
