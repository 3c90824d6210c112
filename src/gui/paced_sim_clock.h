// The Clock of the window on the simulated machine: the twin's virtual time, carried forward
// with real time (times a speed factor) so the twin's cutter, feeder and camera act while the
// window idles, and a wait lasts its virtual length on the wall clock divided by the speed,
// spent in nested event loops that repaint (see event_loop_wait.h).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

#include "core/clock.h"
#include "sim/sim_clock.h"

namespace orvex::gui {

class PacedSimClock : public QObject, public Clock {
 public:
  PacedSimClock(sim::SimClock& twin, double speed);

  std::uint32_t TickMs() override { return twin_.TickMs(); }
  std::int64_t CalendarSeconds() override { return twin_.CalendarSeconds(); }
  void Sleep(int ms) override;

  // Starts carrying virtual time forward while no wait runs.
  void Start();
  double Speed() const { return speed_; }

 private:
  // Virtual time due now by the wall clock.
  std::int64_t DueMs() const;
  // Advances the twin to the due time, but never past the innermost wait's end: the sequence
  // that waits resumes at exactly its time, as on the machine's own clock.
  void CatchUp();

  sim::SimClock& twin_;
  double speed_;
  QElapsedTimer wall_;
  std::int64_t originMs_ = 0;   // virtual time when the wall clock started
  std::vector<std::int64_t> waitEnds_;
  QTimer idle_;
};

}  // namespace orvex::gui
