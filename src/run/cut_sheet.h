// The transmission of one sheet: centring the camera on the first and the second registration
// mark, the sheet's scale and skew from the two measurements, and the stream of the sorted job
// (sortx.prn) to the cutter as relative moves and cuts against integer positions in 0.01 mm.
#pragma once

#include <string>
#include <string_view>

#include "core/clock.h"
#include "core/feeder_reports.h"
#include "core/run_context.h"
#include "core/work_dir.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "run/cutter_command.h"
#include "run/run_events.h"

namespace orvex {


// Main-window values the transmission reads, taken from the controls by the caller just before
// CutSheet, and the two it changes (shown again by the caller afterwards). The label step
// ("hetichetta") and the dashed-line switch come from CutterCommandInputs.
struct SheetCutFields {
  int manualX = 0;        // spin 1021, 0.1 mm along the feed
  int manualY = 0;        // spin 1019, 0.1 mm across
  int compensationL = 0;  // 0.1 mm: keystone on the near and far side
  int compensationR = 0;
  int compensationHeight = 0;     // 0.1 mm over the job's cross extent
  int compensationWidth = 0;      // 0.1 mm over the mark distance
  double firstMarkerCross = 0.0;  // edit 1102, display unit
  int specialForce = 0;           // "forceS"
  bool withoutCropMarks = false;  // check 1048
  bool copiesEnabled = false;     // check 1049
  int copies = 1;                 // edit 1050
  // Changed by CutSheet:
  int sheetCount = 0;           // "Count", edit 1027
  double feedScaleShown = 0.0;  // hidden edit 1099
};

// What the transmission talks to. All must outlive the call.
struct SheetCutPorts {
  CutterLink& cutter;
  FeederLink& feeder;
  Clock& clock;
  RunEvents& events;
};

struct SheetCutResult {
  bool streamed = false;   // the job was sent to the cutter
  bool abandoned = false;  // the run was ended without cutting (message shown, FinishJob)
  double feedScale = 1.0;
  double crossScale = 1.0;
  double skewAngle = 0.0;  // radians
  long points = 0;         // moves and cuts sent
  // A write of the stream failed (the cutter was lost): the sheet was not cut to its end and
  // is not counted.
  bool streamLost = false;
};

// Shown when the cutter was lost while sheet `sheet` (counted from 1 in this run) was streamed.
std::string SheetNotCutMessage(int sheet);

// One step of the sheet, chosen by ctx.runPhase: 1 the first mark, 2 the second mark and the
// cut; nothing otherwise. ctx.markAcceptedCol/Row hold the confirmed detection.
SheetCutResult CutSheet(RunContext& ctx, const WorkDir& dir, SheetCutFields& fields,
                        const CutterCommandInputs& inputs, SheetCutPorts& ports);

// "%2.1f" of n / -10.0 and of n / 10.0 for an integer n: the exact texts printf gives
// (0 / -10.0 prints "-0.0"), without its cost on every point of a stream.
void AppendTenthsNegated(std::string& out, long long n);
void AppendTenths(std::string& out, long long n);

}  // namespace orvex
