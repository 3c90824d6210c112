// The service settings dialog's model.
#include "app/service_dialog.h"

#include "app/startup.h"

namespace orvex {

std::string FirmwareText(int feederFirmware) {
  if (feederFirmware == 35) return "FW:35H";
  if (feederFirmware == 36) return "FW:36H";
  if (feederFirmware > 36) return std::to_string(feederFirmware) + "H";
  return "FW:na";
}

void ServiceDialog::OnInit(ServiceDialogView& view) {
  const ServiceSettings stored = store_.ReadForServiceDialog(run_);
  fields_.markSize = stored.markSize;
  view.ShowControl(window_id::kSecondCameraStatic, run_.secondCamera != 0);
  fields_.offsetX = stored.offsetX;
  fields_.offsetY = stored.offsetY;
  fields_.brightness = stored.brightness;
  fields_.slowLabelLength = stored.slowLabelLength;
  run_.unitFlag = stored.unitFlag;
  view.CheckRadio(run_.unitFlag == 1 ? window_id::kMillimetreRadio : window_id::kInchRadio);
  fields_.reorderDisabled = stored.reverse;
  view.ShowFields(fields_);
  if (run_.customTitleRead) view.SetWindowCaption(run_.customTitle);
  view.SetControlText(window_id::kVersionStatic, kVersionText);
}

bool ServiceDialog::TakeChecked(ServiceDialogView& view) {
  view.TakeFields(fields_);
  if (fields_.markSize < kMarkSizeMin || fields_.markSize > kMarkSizeMax) {
    view.ShowRangeMessage(window_id::kMarkSizeEdit, kMarkSizeMin, kMarkSizeMax);
    return false;
  }
  return true;
}

void ServiceDialog::OnSet(ServiceDialogView& view) {
  if (!TakeChecked(view)) return;
  ServiceSettings values;
  values.markSize = fields_.markSize;
  values.brightness = fields_.brightness;
  values.slowLabelLength = fields_.slowLabelLength;
  values.offsetX = fields_.offsetX;
  values.offsetY = fields_.offsetY;
  values.unitFlag = run_.unitFlag;
  values.reverse = fields_.reorderDisabled;
  store_.WriteServiceSet(run_, values);
  run_.cameraOffsetX = fields_.offsetX;
  run_.cameraOffsetY = fields_.offsetY;
  run_.markSize = fields_.markSize;
  // A calibration right after Set must measure with the new mark size.
  run_.markScale = MarkScaleFor(fields_.markSize);
  run_.reverseOrder = fields_.reorderDisabled;
  run_.bigLabel = fields_.slowLabelLength;
  view.CloseDialog();
}

void ServiceDialog::OnClose(ServiceDialogView& view) {
  if (!TakeChecked(view)) return;
  view.CloseDialog();
}

void ServiceDialog::OnRightButton(ServiceDialogView& view, int feederFirmware) {
  view.SetControlText(window_id::kFirmwareStatic, "FW:na");
  view.ShowControl(window_id::kFirmwareStatic, true);
  view.SetControlText(window_id::kFirmwareStatic, FirmwareText(feederFirmware));
}

}  // namespace orvex
