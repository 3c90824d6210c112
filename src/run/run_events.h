// What the run's logic asks of the application around it: the operator's message boxes and the
// end of a run. The main-window model implements it (FinishJob writes the jobs report and puts
// the run controls back); tests record the calls.
#pragma once

#include <string_view>

#include "core/message_icon.h"

namespace orvex {

class RunEvents {
 public:
  virtual ~RunEvents() = default;

  // A modal message box; returns when the operator has closed it.
  virtual void ShowMessage(std::string_view text, MessageIcon icon) = 0;
  // Ends the run in every form: logs, run controls, counters.
  virtual void FinishJob() = 0;
};

// Shown when the job's cut paths cannot be read or give nothing that can be cut.
inline constexpr std::string_view kGraphicSourceMissingMessage = "Graphic source not available";

}  // namespace orvex
