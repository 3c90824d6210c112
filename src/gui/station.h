// What the window runs on: the real machine's links, or the simulated machine. Either way the
// program gets one main-window model over the window, and the settings it keeps.
#pragma once

#include "app/main_window_model.h"
#include "app/settings_store.h"
#include "core/run_context.h"

namespace orvex::gui {

class Station {
 public:
  virtual ~Station() = default;
  virtual MainWindowModel& Model() = 0;
  virtual RunContext& Run() = 0;
  virtual SettingsStore& Store() = 0;
  // Starts the model's 120 ms timer, once the model has been initialised.
  virtual void StartTimer() = 0;
};

}  // namespace orvex::gui
