// The main window's bound members: the values its edits, check boxes and combo boxes show.
// The model owns them; the view only copies them to and from its controls. Lengths and
// corrections are in the units the operator types; the first-marker values are in the display
// unit (millimetres, or inches once the deferred set-up has converted them).
#pragma once

#include <string>

namespace orvex {

// Control ids of the main window that the settings, start-up and cut-setting code touch.
namespace window_id {
inline constexpr int kLastJobLine = 1011;
inline constexpr int kFirstMarkerCaption = 1054;
inline constexpr int kCalibrationButton = 1046;
inline constexpr int kUnitLabelFirstMarker = 1077;
inline constexpr int kUnitLabelCutterWidth = 1078;
inline constexpr int kSpecialModeCombo = 1101;
inline constexpr int kPassCombo = 1084;
inline constexpr int kMultipleCombo = 1103;
inline constexpr int kMarkModeCombo = 1072;
inline constexpr int kCycleButton = 1128;
inline constexpr int kCreaseButton = 1096;
inline constexpr int kBladeButton = 1097;
inline constexpr int kStartButton = 1024;
inline constexpr int kPauseButton = 1014;
}  // namespace window_id

// Entries of the combo boxes whose selection the cut-setting and recent-job files carry.
inline constexpr int kPassEntries = 3;      // "1", "2", "3"
inline constexpr int kMultipleEntries = 5;  // "1" to "5"
inline constexpr int kSpecialBaseEntries = 3;  // without the creasing feature files

struct MainWindowFields {
  int xCorrection = 0;        // edit 1021, 0.1 mm, added to the camera offset X at Start
  int yCorrection = 0;        // edit 1019, 0.1 mm
  int sheetCount = 0;         // edit 1027 "Count"
  int cutForce = 0;           // edit 1032, `force`
  int withoutMarks = 0;       // check 1048 "Cut without crop marks"
  int copies = 0;             // edit 1050
  int copiesEntered = 0;      // check 1049 "Enter copies"
  int autoExposure = 0;       // check 1051
  int height = 0;             // edit 1056, `kAlto`
  int insertion = 0;          // edit 1058, `inser`
  int compensationLeft = 0;   // edit 1059
  int compensationRight = 0;  // edit 1062
  int uplift = 0;             // edit 1068, `discesa`
  int dashUpLength = 0;       // edit 1066, `dente`
  int dashCutLength = 0;      // edit 1065, `Ltaglio`
  int dashedLineOn = 0;       // check 1069 "Enable"
  double firstMarker = 0.0;   // edit 1080, `hetichetta`, display unit
  double cutterWidth = 0.0;   // edit 1028
  int dLift = 0;              // check 1092
  int bladeUp = 0;            // check 1095 "Blade Up"
  int width = 0;              // edit 1098
  double lastCutShown = 0.0;  // edit 1099
  int specialCutLength = 0;   // edit 1067, `LtaglioS`
  int specialUpLength = 0;    // edit 1071, `denteS`
  int specialForce = 0;       // edit 1034, `forceS`
  int specialSpeed = 0;       // edit 1073
  int dashForce = 0;          // edit 1040, `forceD`
  double firstMarkerCross = 0.0;  // edit 1102, display unit
  int spacing = 0;            // edit 1044
  int dashSpeed = 0;          // edit 1070

  // Combo box selections, 0-based.
  int markModeSelection = 0;  // combo 1072
  int passSelection = 0;      // combo 1084
  int specialSelection = 0;   // combo 1101
  int multipleSelection = 0;  // combo 1103

  std::string lastJob;  // static 1011: the `LastJob` setting as loaded
};

}  // namespace orvex
