// The one way the window waits: a nested event loop that keeps painting and serving timers and
// device notices, but holds the operator's input (clicks, keys, closing the window) queued
// until the wait is over, so a blocking sequence runs through with its pauses intact.
#pragma once

namespace orvex::gui {

// Returns after `ms` milliseconds (a precise single-shot timer), never earlier.
void WaitInEventLoop(int ms);

// Depth of the waits now running (0 outside any); the window defers a close request while
// one runs.
int WaitDepth();

}  // namespace orvex::gui
