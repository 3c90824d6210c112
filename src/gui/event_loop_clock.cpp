// Waits of the real machine's window.
#include "gui/event_loop_clock.h"

#include "gui/event_loop_wait.h"

namespace orvex::gui {

void EventLoopClock::Sleep(int ms) {
  WaitInEventLoop(ms);
}

}  // namespace orvex::gui
