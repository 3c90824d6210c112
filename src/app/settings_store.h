// The operator's persistent settings over the Profile port: every key, its default at each
// place that reads it (the defaults differ by caller on purpose and are kept exactly), its
// checks, and the operations that write it. Values are read into RunContext or the main
// window's members when needed and written back one key at a time; nothing is cached here.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "app/main_window_fields.h"
#include "core/profile.h"
#include "core/run_context.h"

namespace orvex {

namespace key {
inline constexpr std::string_view kDeltaX = "deltaX";
inline constexpr std::string_view kDeltaY = "deltaY";
inline constexpr std::string_view kDeltaXC2 = "deltaXC2";
inline constexpr std::string_view kDeltaYC2 = "deltaYC2";
inline constexpr std::string_view kDefSpeed = "defSpeed";
inline constexpr std::string_view kMpix = "mpix";
inline constexpr std::string_view kHetichetta = "hetichetta";
inline constexpr std::string_view kForce = "force";
inline constexpr std::string_view kBigLabel = "bigLabel";
inline constexpr std::string_view kUm = "um";
inline constexpr std::string_view kReverse = "reverse";
inline constexpr std::string_view kDiscesa = "discesa";
inline constexpr std::string_view kInser = "inser";
inline constexpr std::string_view kLtaglio = "Ltaglio";
inline constexpr std::string_view kDente = "dente";
inline constexpr std::string_view kForceD = "forceD";
inline constexpr std::string_view kKAlto = "kAlto";
inline constexpr std::string_view kLtaglioS = "LtaglioS";
inline constexpr std::string_view kDenteS = "denteS";
inline constexpr std::string_view kForceS = "forceS";
inline constexpr std::string_view kLastJob = "LastJob";
inline constexpr std::string_view kLum = "lum";
}  // namespace key

// Every key the system reads or writes; all hold integers except LastJob.
inline constexpr std::array<std::string_view, 22> kAllKeys = {
    key::kDeltaX,     key::kDeltaY,  key::kDeltaXC2, key::kDeltaYC2, key::kDefSpeed, key::kMpix,
    key::kHetichetta, key::kForce,   key::kBigLabel, key::kUm,       key::kReverse,  key::kDiscesa,
    key::kInser,      key::kLtaglio, key::kDente,    key::kForceD,   key::kKAlto,    key::kLtaglioS,
    key::kDenteS,     key::kForceS,  key::kLastJob,  key::kLum};

// A mark size below this is not a usable search size; start-up and the sheet start replace it.
inline constexpr int kMinMarkSize = 40;
inline constexpr int kFallbackMarkSize = 46;
inline constexpr double kMillimetresPerInch = 25.4;

// What the service dialog shows when it opens (read with the dialog's own defaults).
struct ServiceSettings {
  int markSize = 0;
  int offsetX = 0;
  int offsetY = 0;
  int brightness = 0;
  int slowLabelLength = 0;
  int unitFlag = 0;
  int reverse = 0;
};

// The first-marker distance as it is stored (profile, recent jobs): whole millimetres. In inch
// display the field holds inches, so it is converted; storing the inch figure would be read
// back as millimetres at the next start-up and shrink the distance at every restart.
int StoredFirstMarker(double firstMarker, double unitFactor);
// The stored millimetres as the field shows them: unchanged in millimetre display, converted
// to inches with two decimals (rounded down) when the display unit is inches.
double DisplayedFirstMarker(double storedMillimetres, double unitFactor);
// 4.0 mm (the mark's printed size) over its size in pixels.
double MarkScaleFor(int markSize);

class SettingsStore {
 public:
  explicit SettingsStore(Profile& profile) : profile_(profile) {}

  // --- Start-up (in the order the main window's initialisation calls them) ---
  // deltaX (80), deltaY (111), defSpeed (50). Always the first camera's pair.
  void LoadStartupOffsets(RunContext& run);
  // mpix to LastJob, the fixed start values of the keyless fields, and markScale.
  void LoadStartupRest(RunContext& run, MainWindowFields& fields);

  // --- Other reading places ---
  // Cut Test: the active pair with its own defaults (180/99 for either camera).
  void LoadOffsetsForCutTest(RunContext& run);
  // The service dialog's values with its own defaults (mpix 45, offsets 80/99 or 180/99).
  ServiceSettings ReadForServiceDialog(const RunContext& run);
  // The camera's brightness at camera start.
  int ReadBrightness();
  // LastJob for File Open and "Open last job".
  std::string ReadLastJob();

  // --- Writers ---
  // Start: corrections added to the offsets and the active pair written (not in mark mode 2),
  // then hetichetta, force, LastJob, Ltaglio and dente when in range, kAlto. The corrections
  // stay in the fields; the Start command clears them once recent.dat is updated.
  // False when the settings did not all reach the disk (the profile's WriteFailure says why).
  bool WriteAtStart(RunContext& run, const MainWindowFields& fields);
  // The close request: discesa and inser.
  void WriteAtClose(const MainWindowFields& fields);
  // Options OK.
  void WriteOptions(int defaultSpeed, int reverse);
  // The service dialog's Set, in its order: mpix, lum, bigLabel, the active pair, um, reverse.
  void WriteServiceSet(const RunContext& run, const ServiceSettings& values);
  // Calibration accepted: the active pair (Y first for the first camera, X first for the
  // second), copied into RunContext.
  void WriteCalibration(RunContext& run, int offsetX, int offsetY);

 private:
  void LoadActiveOffsets(RunContext& run, int firstXDefault, int secondXDefault);
  int Read(std::string_view key, int defaultValue);
  void Write(std::string_view key, int value);
  void WriteActivePair(const RunContext& run, int offsetX, int offsetY);

  Profile& profile_;
  bool allWritten_ = true;  // since the last WriteAtStart began
};

}  // namespace orvex
