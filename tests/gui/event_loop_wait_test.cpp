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

// The window under test: a button that counts its paints.
class PaintCountingButton : public QPushButton {
 public:
  using QPushButton::QPushButton;
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent* event) override {
    ++paints;
    QPushButton::paintEvent(event);
  }
};

TEST(EventLoopWaitTest, PaintsDuringTheWaitAndHoldsAClickUntilItEnds) {
  PaintCountingButton button(QStringLiteral("Start"));
  button.resize(100, 40);
  button.show();
  ASSERT_TRUE(testing::WaitFor([&] { return button.windowHandle()->isExposed(); }));
  testing::WaitFor([] { return false; }, 50);

  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
  const QPointF inButton(50, 20);
  QTimer::singleShot(40, [&] {
    button.update();
    // As the window system delivers a real press and release: queued, not sent.
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        button.windowHandle(), inButton, button.mapToGlobal(inButton), Qt::LeftButton,
        Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        button.windowHandle(), inButton, button.mapToGlobal(inButton), Qt::NoButton, Qt::LeftButton,
        QEvent::MouseButtonRelease);
  });

  const int paintsBefore = button.paints;
  QElapsedTimer elapsed;
  elapsed.start();
  WaitInEventLoop(300);
  EXPECT_GE(elapsed.elapsed(), 300);
  EXPECT_GT(button.paints, paintsBefore);  // repainted while waiting
  EXPECT_EQ(clicks, 0);                    // the click waited
  EXPECT_EQ(WaitDepth(), 0);

  EXPECT_TRUE(testing::WaitFor([&] { return clicks == 1; }));  // and was not lost
}

}  // namespace
}  // namespace orvex::gui
