// The service settings dialog (behind the system menu's about item) as a model: the mark size,
// the active camera's offsets, the display unit, and the feeder's firmware text. Init Cutter's
// command sequence belongs to the cutter command set and is not here.
#pragma once

#include <string>

#include "app/dialog_view.h"
#include "app/settings_store.h"
#include "core/run_context.h"

namespace orvex {

namespace window_id {
inline constexpr int kMarkSizeEdit = 1013;
inline constexpr int kSecondCameraStatic = 1103;
inline constexpr int kVersionStatic = 1113;
inline constexpr int kFirmwareStatic = 1104;
inline constexpr int kMillimetreRadio = 1076;
inline constexpr int kInchRadio = 1075;
}  // namespace window_id

inline constexpr int kMarkSizeMin = 40;
inline constexpr int kMarkSizeMax = 180;

// "FW:na" before any usable feeder answer, "FW:35H" / "FW:36H", or the number and "H" above.
std::string FirmwareText(int feederFirmware);

class ServiceDialog {
 public:
  ServiceDialog(RunContext& run, SettingsStore& store) : run_(run), store_(store) {}

  void OnInit(ServiceDialogView& view);
  // "Set": writes the settings in their order, copies them into RunContext, closes. An
  // out-of-range mark size keeps the dialog open with the range message and writes nothing.
  void OnSet(ServiceDialogView& view);
  // "Close": takes the fields and closes; nothing is written or copied.
  void OnClose(ServiceDialogView& view);
  // The unit radios take effect at once, for the running program.
  void OnMillimetres() { run_.unitFlag = 1; }
  void OnInches() { run_.unitFlag = 0; }
  void OnRightButton(ServiceDialogView& view, int feederFirmware);

  const ServiceFields& Fields() const { return fields_; }

 private:
  bool TakeChecked(ServiceDialogView& view);

  RunContext& run_;
  SettingsStore& store_;
  ServiceFields fields_;
};

}  // namespace orvex
