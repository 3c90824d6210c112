// Nested event loops on a precise timer.
#include "gui/event_loop_wait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace orvex::gui {

namespace {
int depth = 0;
}

void WaitInEventLoop(int ms) {
  if (ms <= 0) return;
  ++depth;
  QElapsedTimer elapsed;
  elapsed.start();
  // A loop that something else quits early (a nested modal dialog ending, the application
  // quitting) must not cut the pause short: the rest of the sequence would reach the cutter
  // without it. So wait again for whatever is left.
  for (qint64 left = ms; left > 0; left = ms - elapsed.elapsed()) {
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(static_cast<int>(left));
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (timer.isActive()) {
      // Only the application's exit ends this loop early, and every loop started after it
      // returns at once: a plain sleep keeps the rest of the pause.
      const qint64 rest = ms - elapsed.elapsed();
      if (rest > 0) QThread::msleep(static_cast<unsigned long>(rest));
      break;
    }
  }
  --depth;
}

int WaitDepth() {
  return depth;
}

}  // namespace orvex::gui
