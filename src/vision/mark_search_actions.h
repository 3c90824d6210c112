// What the searches and the frame handler ask of the rest of the machine when they give up or
// must tell the operator something. The application implements it over the cutter command set,
// the feeder link, the run loop and its message boxes; tests record the calls.
#pragma once

#include <string_view>

#include "core/feeder_reports.h"

namespace orvex {


inline constexpr int kEjectSheetCommand = 119;

inline constexpr std::string_view kMarkTimeoutMessage = "Marker not found timeout";
inline constexpr std::string_view kEdgeTimeoutMessage = "Edge of the sheet not found";
inline constexpr std::string_view kEndTimeoutMessage =
    "End of the sheet not found\ncheck the distance of the secon marker\nfrom the end of the sheet";
inline constexpr std::string_view kCalibrationNotFoundMessage =
    "Calibration Mark not found\nchange the light condition";

class MarkSearchActions {
 public:
  virtual ~MarkSearchActions() = default;

  // Sends `report` to the feeder within `timeoutMs`, then closes the feeder link.
  virtual void SendFeederReportAndClose(std::string_view report, int timeoutMs) = 0;
  // A modal information box; returns when the operator has closed it. Frame messages that
  // arrive meanwhile must be queued, not handled inside it (the frame handler copes with both).
  virtual void ShowInformation(std::string_view message) = 0;
  // Sends the numbered cutter command.
  virtual void SendCutterCommand(int number) = 0;
  // Sheets counted in the current run (the main window's counter).
  virtual int SheetCount() = 0;
  // Ends the run (report line and all).
  virtual void FinishJob() = 0;
};

}  // namespace orvex
