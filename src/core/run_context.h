// RunContext: the one plain record of the machine's run state. The application object owns it
// and passes it by reference; there is no global, so a test can build as many machines as it
// likes. Fields are grouped by the subsystem that owns them; each subsystem documents its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

struct RunContext {
  // --- Cutter link and status display -------------------------------------------------------
  std::string cutterPath;
  int cutterModel = 0;  // 0 none found, 1 product 1130, 2 products 1135/1143
  // The cutter writes at most kCutterStatusBytes; the extra byte stays 0 so that any text taken
  // from the buffer is terminated inside it.
  static constexpr std::size_t kCutterStatusBytes = 64;
  std::array<std::uint8_t, kCutterStatusBytes + 1> cutterStatus{};
  char statusChar = 0;
  int linkState = 0;     // 0 absent, 1 present
  int displayState = 0;  // -2 File Open has run, -1 off line, 0 load media, 1 width known, 2 ready
  bool cutterAnswered = false;

  // --- Run phases and detection --------------------------------------------------------------
  int runPhase = 0;
  int waitingForMark = 0;
  int settleTicks = 0;
  int detectionHold = 0;
  bool cutTestArmed = false;  // Cut Test or Pause: the sheet being cut is not counted
  // The detection held for confirmation by the next analysis; the confirmed one is markAccepted.
  bool previousHeld = false;
  float markPreviousCol = 0.0F;
  float markPreviousRow = 0.0F;
  double lastCutDuration = 0.0;  // s, the last finished sheet from its stream to its finish
  std::uint32_t firstCutMs = 0;   // cutting times of the run's first two sheets, their mean
  std::uint32_t secondCutMs = 0;
  std::uint32_t avgCutMs = 0;
  int notReadyCount = 0;  // busy replies since the last sheet started
  std::int64_t lastCutTestTime = 0;  // calendar seconds
  int cycleState = 0;  // tool-change test cycle: 0 off, 1 starting, 2 running
  int cycleTick = 0;
  int cycleCount = 0;
  int setupCountdown = 10;  // ticks until the window's one-time set-up
  bool jogActive = false;
  signed char feederFirmware = 0;  // byte 22 of the sheet reply
  double prevMediaWidth = 10.0;    // mm, the width the camera was last chosen for

  // --- Status polling ------------------------------------------------------------------------
  int statusStep = 0;
  double mediaWidth = 0.0;  // mm, from the width reply in 0.1 mm
  double mediaPosition = 0.01;  // mm

  // --- Job geometry (import) -----------------------------------------------------------------
  float jobWidth = 0.0F;
  float jobHeight = 0.0F;
  long specialEnd = 0;
  long importSpecialEnd = 0;
  int specialCount = 0;
  float importFirstMark = 0.0F;
  float importSecondMark = 0.0F;
  int markMode = 0;
  int specialMode = 0;
  int importKind = 0;  // 1 EPS, 2 AI, 3 PostScript converted from PDF
  int lastJobFlag = 0;      // 1 take the last job instead of asking; 2 after every load
  int reopenRequest = 0;    // reload the current job at the next load
  std::string lastJobPath;  // profile LastJob, read at each load
  std::string currentJobPath;
  int specialPresent = 0;   // the loaded job kept a TPSINT
  int multiLineCount = 1;   // special paths laid out as this many lines

  // --- Cut order ------------------------------------------------------------------------------
  float firstMarkPos = 0.0F;
  float secondMarkPos = 0.0F;
  int passes = 1;
  int reverseOrder = 0;  // the "reverse" setting: cut contours last to first
  double totalCutLength = 0.0;

  // --- Transmission of a sheet's cut -----------------------------------------------------------
  float markAcceptedCol = 320.0F;  // the confirmed detection, camera pixels (frame centre 320, 240)
  float markAcceptedRow = 240.0F;
  double firstMarkFeedOffset = 0.0;  // mm, how far the first mark sat off the camera centre
  double firstMarkCrossOffset = 0.0;
  double secondMarkFeedCorrection = 0.0;  // mm, re-centring moves made for the second mark
  double secondMarkCrossOffset = 0.0;
  std::int64_t cutStartTime = 0;   // calendar seconds when the sheet's stream began
  std::uint32_t cutStartTick = 0;  // milliseconds, same moment

  // --- Machine --------------------------------------------------------------------------------
  int headCross = 1300;  // 0.1 mm across the feed: the program's record of the head
  int creasingInstalled = 0;
  int creasingVariant = 0;
  int wideCarriage = 0;
  int edgeMode = 0;
  double unitFactor = 1.0;  // 25.4 when the display unit is inches
  // Dash cut and up values the import uses; Init Cutter sets both to 200.
  int dashCutValue = 0;
  int dashUpValue = 0;

  // --- Vision ---------------------------------------------------------------------------------
  int searchAttempts = 0;  // analyses since the last find; shared by the mark and edge searches
  int markResult = -1;     // 1 found, -1 not found, 0 a frame has been requested
  float markCol = 0.0F;    // last analysis, buffer pixels; (0, 0) when nothing was found
  float markRow = 0.0F;
  int calibrationRead = 0;
  int frameWidth = 0;  // size the camera negotiated at its last start
  int frameHeight = 0;

  // --- Settings -------------------------------------------------------------------------------
  int secondCamera = 0;           // which camera pair the offset keys and the offsets below use
  double markScale = 4.0 / 46.0;  // millimetres per camera pixel: 4.0 / mpix
  int cameraOffsetX = 0;          // 0.1 mm, the active camera's offset from the tool
  int cameraOffsetY = 0;
  int defaultSpeed = 0;  // defSpeed
  int markSize = 46;     // mpix, camera pixels
  int bigLabel = 0;      // mm; kept for the service dialog only
  int unitFlag = 1;      // um: 1 millimetres, 0 inches
  int optionsOutcome = 0;  // 0 nothing, 1 a cut-setting file was loaded, 2 one was saved
  bool customTitleRead = false;  // the branding file gave a title
  std::string customTitle;
  int pdfAvailable = 0;
  int frontCreasing = 0;  // frontc.dat beside revc.dat: the fifth special-mode entry
  int testFeature = 0;    // testc.dat: the tool test buttons are shown
  int exitRequested = 0;  // closed while a sheet was being registered
  std::int64_t runStartTime = 0;  // calendar seconds at Start
  double skewSum = 0.0;           // radians, summed over the run's cut sheets
};

}  // namespace orvex
