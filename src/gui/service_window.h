// The service settings dialog behind the about item: mark size, the active camera's offsets,
// the display unit, Init Cutter and, on a right click, the feeder's firmware; the passive view
// of ServiceDialog.
#pragma once

#include <QDialog>
#include <functional>

#include "app/dialog_view.h"
#include "app/service_dialog.h"
#include "gui/control_table.h"

namespace orvex::gui {

class ServiceWindow : public QDialog, public ServiceDialogView {
  Q_OBJECT

 public:
  ServiceWindow(QWidget* parent, ServiceDialog& model, std::function<void()> initCutter,
                std::function<int()> feederFirmware);

  // --- ServiceDialogView ---
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
  void ShowRangeMessage(int controlId, int minimum, int maximum) override;
  void SetWindowCaption(std::string_view text) override;
  void SetControlText(int controlId, std::string_view text) override;
  void ShowControl(int controlId, bool shown) override;
  void EnableControl(int controlId, bool enabled) override;
  void TakeFields(ServiceFields& fields) override;
  void ShowFields(const ServiceFields& fields) override;
  void CheckRadio(int radioId) override;
  void CloseDialog() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LayOut();
  bool FieldsReadable();

  ServiceDialog& model_;
  std::function<void()> initCutter_;
  std::function<int()> feederFirmware_;
  ControlTable table_;
};

// Runs the service dialog modally over `model` (its OnInit first). `initCutter` runs the
// cutter's initialisation with the dialog open; `feederFirmware` is the number the feeder last
// reported, asked at each right click.
void RunServiceWindow(QWidget* parent, ServiceDialog& model, std::function<void()> initCutter,
                      std::function<int()> feederFirmware);

}  // namespace orvex::gui
