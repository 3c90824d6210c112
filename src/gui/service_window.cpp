// The service dialog's layout and its bindings to ServiceDialog.
#include "gui/service_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/integer_edit.h"
#include "gui/message_box.h"
#include "gui/ui_text.h"

namespace orvex::gui {

namespace {

constexpr int kCloseButton = 1;
constexpr int kOffsetXEdit = 1017;
constexpr int kOffsetYEdit = 1018;
constexpr int kBrightnessEdit = 1040;
constexpr int kSlowLabelEdit = 1053;
constexpr int kReorderCheck = 1094;
constexpr int kSetButton = 1015;
constexpr int kInitCutterButton = 1047;
constexpr int kIconSide = 32;

constexpr std::initializer_list<int> kIntegerEdits = {
    window_id::kMarkSizeEdit, kOffsetXEdit, kOffsetYEdit, kBrightnessEdit, kSlowLabelEdit};

}  // namespace

ServiceWindow::ServiceWindow(QWidget* parent, ServiceDialog& model,
                             std::function<void()> initCutter, std::function<int()> feederFirmware)
    : QDialog(parent),
      model_(model),
      initCutter_(std::move(initCutter)),
      feederFirmware_(std::move(feederFirmware)) {
  LayOut();
}

void ServiceWindow::LayOut() {
  setWindowTitle(tr("About Orvex"));

  // The about face: the program's icon, its version and the two hidden notes.
  auto* icon = new QLabel(this);
  icon->setPixmap(QApplication::windowIcon().pixmap(kIconSide, kIconSide));
  auto* version = new QLabel(this);
  auto* secondCamera = new QLabel(tr("C2"), this);
  secondCamera->hide();
  auto* firmware = new QLabel(tr("FW"), this);
  firmware->hide();
  table_.Add(window_id::kVersionStatic, version);
  table_.Add(window_id::kSecondCameraStatic, secondCamera);
  table_.Add(window_id::kFirmwareStatic, firmware);
  auto* about = new QHBoxLayout;
  about->addWidget(icon);
  about->addWidget(version, 1);
  about->addWidget(secondCamera);
  about->addWidget(firmware);

  // The set-up values.
  auto* values = new QGridLayout;
  int row = 0;
  auto addField = [&](int id, const QString& caption) {
    QLineEdit* edit = NewIntegerEdit(this);
    table_.Add(id, edit);
    auto* label = new QLabel(caption, this);
    label->setBuddy(edit);
    values->addWidget(label, row, 0);
    values->addWidget(edit, row, 1);
    ++row;
    return label;
  };
  addField(window_id::kMarkSizeEdit, tr("Marker pixel"));
  addField(kOffsetXEdit, tr("delta X"));
  addField(kOffsetYEdit, tr("delta Y "));
  // Brightness and the slow-label length are exchanged with the model but not offered here.
  QLabel* brightnessLabel = addField(kBrightnessEdit, QString());
  QLabel* slowLabel = addField(kSlowLabelEdit, tr("Slow cut speed for labels llonger mm"));
  for (QWidget* hidden : {static_cast<QWidget*>(brightnessLabel), table_.Find(kBrightnessEdit),
                          static_cast<QWidget*>(slowLabel), table_.Find(kSlowLabelEdit)}) {
    hidden->hide();
  }
  auto* reorder = new QCheckBox(tr("Disable cutting reorder "), this);
  reorder->hide();
  table_.Add(kReorderCheck, reorder);
  values->addWidget(reorder, row++, 0, 1, 2);

  auto* millimetres = new QRadioButton(tr(" mm"), this);
  auto* inches = new QRadioButton(tr(" inch"), this);
  table_.Add(window_id::kMillimetreRadio, millimetres);
  table_.Add(window_id::kInchRadio, inches);
  auto* units = new QButtonGroup(this);
  units->addButton(millimetres);
  units->addButton(inches);
  auto* unitRow = new QHBoxLayout;
  unitRow->addWidget(millimetres);
  unitRow->addWidget(inches);
  unitRow->addStretch(1);
  values->addLayout(unitRow, row++, 0, 1, 2);

  auto* set = new QPushButton(tr("Set"), this);
  auto* initCutter = new QPushButton(tr("Init Cutter"), this);
  auto* close = new QPushButton(tr("Close"), this);
  table_.Add(kSetButton, set);
  table_.Add(kInitCutterButton, initCutter);
  table_.Add(kCloseButton, close);
  close->setDefault(true);
  set->setAutoDefault(false);
  initCutter->setAutoDefault(false);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(close);
  buttons->addWidget(set);
  buttons->addWidget(initCutter);
  buttons->addStretch(1);

  auto* body = new QHBoxLayout;
  body->addLayout(values, 1);
  body->addSpacing(fontMetrics().height());
  body->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(about);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(body);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(set, &QPushButton::clicked, this, [this] {
    if (FieldsReadable()) model_.OnSet(*this);
  });
  connect(close, &QPushButton::clicked, this, [this] {
    if (FieldsReadable()) model_.OnClose(*this);
  });
  connect(initCutter, &QPushButton::clicked, this, [this] {
    if (initCutter_) initCutter_();
  });
  connect(millimetres, &QRadioButton::clicked, this, [this] { model_.OnMillimetres(); });
  connect(inches, &QRadioButton::clicked, this, [this] { model_.OnInches(); });

  // A right press anywhere in the dialog, over a control or not, shows the firmware.
  installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

bool ServiceWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    model_.OnRightButton(*this, feederFirmware_ ? feederFirmware_() : 0);
  }
  return QDialog::eventFilter(watched, event);
}

bool ServiceWindow::FieldsReadable() {
  QLineEdit* unreadable = FirstNonInteger(table_, kIntegerEdits);
  if (unreadable == nullptr) return true;
  ShowNumberMessage(this, unreadable, true);
  return false;
}

void ServiceWindow::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
  ShowOperatorMessage(this, text, caption, icon);
}

void ServiceWindow::ShowRangeMessage(int controlId, int minimum, int maximum) {
  gui::ShowRangeMessage(this, table_.Find(controlId), minimum, maximum);
}

void ServiceWindow::SetWindowCaption(std::string_view text) {
  setWindowTitle(TranslatedModelText(text));
}

void ServiceWindow::SetControlText(int controlId, std::string_view text) {
  table_.SetText(controlId, TranslatedModelText(text));
}

void ServiceWindow::ShowControl(int controlId, bool shown) {
  table_.Show(controlId, shown);
}

void ServiceWindow::EnableControl(int controlId, bool enabled) {
  table_.Enable(controlId, enabled);
}

void ServiceWindow::TakeFields(ServiceFields& fields) {
  fields.markSize = IntegerOr(table_, window_id::kMarkSizeEdit, fields.markSize);
  fields.offsetX = IntegerOr(table_, kOffsetXEdit, fields.offsetX);
  fields.offsetY = IntegerOr(table_, kOffsetYEdit, fields.offsetY);
  fields.brightness = IntegerOr(table_, kBrightnessEdit, fields.brightness);
  fields.slowLabelLength = IntegerOr(table_, kSlowLabelEdit, fields.slowLabelLength);
  if (auto* reorder = table_.As<QCheckBox>(kReorderCheck)) {
    fields.reorderDisabled = reorder->isChecked() ? 1 : 0;
  }
}

void ServiceWindow::ShowFields(const ServiceFields& fields) {
  ShowInteger(table_, window_id::kMarkSizeEdit, fields.markSize);
  ShowInteger(table_, kOffsetXEdit, fields.offsetX);
  ShowInteger(table_, kOffsetYEdit, fields.offsetY);
  ShowInteger(table_, kBrightnessEdit, fields.brightness);
  ShowInteger(table_, kSlowLabelEdit, fields.slowLabelLength);
  if (auto* reorder = table_.As<QCheckBox>(kReorderCheck)) {
    reorder->setChecked(fields.reorderDisabled != 0);
  }
}

void ServiceWindow::CheckRadio(int radioId) {
  if (auto* radio = table_.As<QRadioButton>(radioId)) radio->setChecked(true);
}

void ServiceWindow::CloseDialog() {
  accept();
}

void RunServiceWindow(QWidget* parent, ServiceDialog& model, std::function<void()> initCutter,
                      std::function<int()> feederFirmware) {
  ServiceWindow window(parent, model, std::move(initCutter), std::move(feederFirmware));
  model.OnInit(window);
  window.exec();
}

}  // namespace orvex::gui
