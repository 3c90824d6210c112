// RunContext: the one plain record of the machine's run state. The application object owns it
// and passes it by reference; there is no global, so a test can build as many machines as it
// likes. Fields are grouped by the subsystem that owns them; each subsystem documents its own.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

struct RunContext {
  // --- Cutter link and status display -------------------------------------------------------
  std::string cutterPath;
  int cutterModel = 0;  // 0 none found, 1 product 1130, 2 products 1135/1143
  std::array<std::uint8_t, 64> cutterStatus{};
  char statusChar = 0;
  int linkState = 0;     // 0 absent, 1 present
  int displayState = 0;  // -2 File Open has run, -1 off line, 0 load media, 1 width known, 2 ready
  bool cutterAnswered = false;

  // --- Run phases and detection --------------------------------------------------------------
  int runPhase = 0;
  int waitingForMark = 0;
  int settleTicks = 0;
  int detectionHold = 0;

  // --- Status polling ------------------------------------------------------------------------
  int statusStep = 0;
  int mediaWidth = 0;
  int mediaPosition = 0;

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

  // --- Cut order ------------------------------------------------------------------------------
  float firstMarkPos = 0.0F;
  float secondMarkPos = 0.0F;
  int passes = 1;
  double totalCutLength = 0.0;

  // --- Machine --------------------------------------------------------------------------------
  int headCross = 0;
  int creasingInstalled = 0;
  int creasingVariant = 0;
  int wideCarriage = 0;
  int edgeMode = 0;
  double unitFactor = 1.0;  // 25.4 when the display unit is inches

  // --- Vision ---------------------------------------------------------------------------------
  int searchAttempts = 0;
  int markResult = 0;
  float markCol = 0.0F;
  float markRow = 0.0F;
  int calibrationRead = 0;

  // --- Settings -------------------------------------------------------------------------------
  int secondCamera = 0;
  double markScale = 4.0 / 46.0;  // millimetres per camera pixel: 4.0 / mpix
};

}  // namespace orvex
