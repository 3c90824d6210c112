// The cutter's numbered command set: every fixed exchange with the cutter that is not cut
// geometry. FormatCutterCommand builds the bytes of a command from the machine state and the
// operator's settings; CutterCommand sends them over one open of the link. The fixed sequences
// (Init Cutter, tool changes, jog) are built from the numbered commands and wait on the Clock.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/run_context.h"
#include "devices/cutter_link.h"

namespace orvex {

// The command numbers, named for the callers.
enum CutterCommandNumber : int {
  kQueryMediaWidth = 1,
  kQueryPosition = 2,
  kInitStep3 = 4,
  kInitStep4 = 5,
  kInitStep5 = 6,
  kInitStep6 = 7,
  kInitStep7 = 8,
  kInitStep8 = 9,
  kConnectNotice = 10,
  kInitStep2 = 11,
  kDashedSetup = 20,
  kPlainCutSetup = 21,
  kSpecialColorSetup = 23,
  kInitStep1 = 25,
  kCutSpeedSetup = 31,
  kSheetPrepA = 50,
  kQueryStatus = 99,
  kFeedStop = 100,
  kFeedForward = 101,
  kFeedBackward = 102,
  kRunPreamble = 110,
  kMoveToFirstMark = 111,
  kParkHead = 112,
  kWideMediaSetup = 113,
  kFeedAlternate = 116,
  kReturnHome = 118,
  kEjectSheet = 119,
  kSheetPrepB = 120,
  kCalibrationCut = 130,
  kSelectCreasingTool = 140,
  kSelectBladeToolA = 150,
  kSelectBladeToolB = 151,
};

// The operator's settings and main-window fields the command texts read. The main-window model
// fills it from its members; the defaults are the values of a fresh profile and start-up.
// Settings kept in RunContext are read from there: the default speed (defaultSpeed) and the
// active camera offset along the feed (cameraOffsetX).
struct CutterCommandInputs {
  int cutForce = 7;           // "force", edit 1032
  int dashedForce = 14;       // "forceD", edit 1040
  int dashedUpLength = 5;     // "dente", edit 1066
  int dashedCutLength = 360;  // "Ltaglio", edit 1065
  int specialUpLength = 20;   // "denteS", edit 1071
  int specialCutLength = 30;  // "LtaglioS", edit 1067
  int dashedSpeed = 10;       // edit 1070, 1 to 60
  int specialSpeed = 12;      // edit 1073, 1 to 60
  double labelStep = 45.0;    // "hetichetta", edit 1080, in the display unit
  bool dashedLineOn = false;  // check 1069 "Enable"
  bool bladeUp = false;       // check 1095 "Blade Up"
};

// Every command text fits this many bytes (the cutter's command buffer less its terminator).
inline constexpr std::size_t kMaxCommandText = 127;
// Returned when a command text would not fit or a value cannot be formatted; nothing is sent.
// It is the platform's insufficient-buffer code, so callers that log codes see a familiar one.
inline constexpr int kCommandTextTooLong = 122;

// The bytes of one command, as separate writes over one open.
struct CommandTexts {
  bool known = false;    // false: the number is not a command; nothing is sent
  bool refused = false;  // a text would exceed kMaxCommandText or a value is out of range
  std::vector<std::string> writes;
  // headCross as the command leaves it (111, 130, 140); unset: unchanged.
  std::optional<int> headCrossAfter;
};

// The head's cross position the sheet cycle parks it at before a sheet (0.1 mm): half the media
// less 40 mm, or the creasing tool's place.
int ParkedHeadCross(const RunContext& ctx);

// The texts of command `number` for the current state; changes nothing.
CommandTexts FormatCutterCommand(int number, const RunContext& ctx,
                                 const CutterCommandInputs& inputs);

// Formats and sends command `number`: one open of cutterPath, the writes, one close. Returns the
// link's error code of the last write (0 = success); 0 without sending for an unknown number;
// kCommandTextTooLong without sending for a refused text. Updates headCross for 111, 130, 140.
int CutterCommand(int number, RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link);

// --- Fixed sequences --------------------------------------------------------------------------

// Service "Init Cutter": 25, 11, 4..9 with 100 ms between them, then the import's dash values
// become 200 each; about 1.3 s in all. Holds off the status polling meanwhile (statusStep 150).
void InitCutter(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link, Clock& clock);

// "Crease" button: park the head at 110 and change to the creasing tool.
void CreaseButton(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link,
                  Clock& clock);
// "Blade" button: park the head at 110 and change back to the blade.
void BladeButton(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link,
                 Clock& clock);
// The blade change alone (150, 100 ms, 151), as the transmission and the tool cycle use it.
void SelectBladeTool(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link,
                     Clock& clock);

enum class JogButton { kUp, kDown };
// The operator's message when "U" is pressed with the media at its origin.
inline constexpr std::string_view kJogAtOriginMessage = "Cannot move negative to the origin";

// A jog press: "U" feeds backward unless the reported position is 0.1 mm or less (then nothing
// is sent and false is returned, for the caller to show kJogAtOriginMessage); "D" feeds forward.
bool JogPress(JogButton button, RunContext& ctx, const CutterCommandInputs& inputs,
              CutterLink& link);
// Releasing a jog button stops the feed.
void JogRelease(RunContext& ctx, const CutterCommandInputs& inputs, CutterLink& link);

}  // namespace orvex
