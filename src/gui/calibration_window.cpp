// The calibration dialog's layout and its bindings to CalibrationDialogModel.
#include "gui/calibration_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/integer_edit.h"
#include "gui/message_box.h"
#include "gui/ui_text.h"

namespace orvex::gui {

namespace {

constexpr int kSetButton = 1;
constexpr int kCancelButton = 2;
constexpr int kCutMarkerButton = 1108;
constexpr int kReadMarkerButton = 1109;
constexpr int kCurrentXEdit = 1070;
constexpr int kCurrentYEdit = 1110;
constexpr int kNewXEdit = 1071;
constexpr int kNewYEdit = 1111;
constexpr int kCameraTwoStatic = 1115;
constexpr int kTickMs = 120;

}  // namespace

CalibrationWindow::CalibrationWindow(QWidget* parent) : QDialog(parent) {
  LayOut();
  tick_.setInterval(kTickMs);
  connect(&tick_, &QTimer::timeout, this, [this] {
    if (model_ != nullptr) model_->OnTick();
  });
}

void CalibrationWindow::LayOut() {
  auto* cameraTwo = new QLabel(tr("Camera 2"), this);
  cameraTwo->hide();
  table_.Add(kCameraTwoStatic, cameraTwo);
  auto* secondCameraNote = new QLabel(tr("C2"), this);
  secondCameraNote->hide();

  auto* values = new QGridLayout;
  values->addWidget(new QLabel(tr("Current values "), this), 0, 0);
  auto addPair = [&](int row, int xId, int yId, bool editable) {
    for (int column = 0; column < 2; ++column) {
      QLineEdit* edit = NewIntegerEdit(this);
      edit->setEnabled(editable);
      table_.Add(column == 0 ? xId : yId, edit);
      auto* label = new QLabel(column == 0 ? tr("Delta X") : tr("Delta Y"), this);
      label->setBuddy(edit);
      values->addWidget(label, row, 1 + 2 * column, Qt::AlignRight);
      values->addWidget(edit, row, 2 + 2 * column);
    }
  };
  addPair(0, kCurrentXEdit, kCurrentYEdit, false);
  addPair(1, kNewXEdit, kNewYEdit, true);
  values->setColumnMinimumWidth(0, fontMetrics().height());
  values->setHorizontalSpacing(fontMetrics().height() / 2);

  auto* cut = new QPushButton(tr("Cut Marker"), this);
  auto* read = new QPushButton(tr("Read Marker"), this);
  auto* set = new QPushButton(tr("Set"), this);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  table_.Add(kCutMarkerButton, cut);
  table_.Add(kReadMarkerButton, read);
  table_.Add(kSetButton, set);
  table_.Add(kCancelButton, cancel);
  cut->setAutoDefault(false);
  read->setAutoDefault(false);
  cancel->setAutoDefault(false);
  set->setDefault(true);

  auto* marker = new QHBoxLayout;
  marker->addWidget(cut);
  marker->addWidget(read);
  marker->addStretch(1);
  auto* closing = new QHBoxLayout;
  closing->addStretch(1);
  closing->addWidget(set);
  closing->addWidget(cancel);
  auto* top = new QHBoxLayout;
  top->addWidget(cameraTwo);
  top->addStretch(1);
  top->addWidget(secondCameraNote);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(values);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(marker);
  layout->addSpacing(fontMetrics().height() / 2);
  layout->addLayout(closing);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(cut, &QPushButton::clicked, this, [this] {
    if (model_ != nullptr) model_->OnCutMarker();
  });
  connect(read, &QPushButton::clicked, this, [this] {
    if (model_ != nullptr) model_->OnReadMarker();
  });
  connect(set, &QPushButton::clicked, this, [this] {
    if (model_ != nullptr) model_->OnSet();
  });
  connect(cancel, &QPushButton::clicked, this, &CalibrationWindow::reject);
}

bool CalibrationWindow::Run(CalibrationDialogModel& model) {
  // The same window serves every opening: what a second-camera opening changed goes back.
  setWindowTitle(tr("Calibration "));
  table_.Show(kCameraTwoStatic, false);
  if (auto* newX = table_.As<QLineEdit>(kNewXEdit)) newX->setFocus(Qt::OtherFocusReason);
  model_ = &model;
  model.Start();
  tick_.start();
  const bool accepted = exec() == QDialog::Accepted;
  tick_.stop();
  model_ = nullptr;
  return accepted;
}

void CalibrationWindow::reject() {
  // Esc and the close box end the dialog as Cancel does.
  if (model_ != nullptr) {
    model_->OnCancel();
  } else {
    QDialog::reject();
  }
}

void CalibrationWindow::ShowValues(OffsetPair current, OffsetPair fresh) {
  ShowInteger(table_, kCurrentXEdit, current.x);
  ShowInteger(table_, kCurrentYEdit, current.y);
  ShowInteger(table_, kNewXEdit, fresh.x);
  ShowInteger(table_, kNewYEdit, fresh.y);
}

bool CalibrationWindow::ReadNewValues(OffsetPair& fresh) {
  if (QLineEdit* unreadable = FirstNonInteger(table_, {kNewXEdit, kNewYEdit})) {
    ShowNumberMessage(this, unreadable, true);
    return false;
  }
  fresh.x = IntegerOr(table_, kNewXEdit, fresh.x);
  fresh.y = IntegerOr(table_, kNewYEdit, fresh.y);
  return true;
}

void CalibrationWindow::SetCaption(std::string_view caption) {
  setWindowTitle(TranslatedModelText(caption));
}

void CalibrationWindow::ShowCameraTwoLabel() {
  table_.Show(kCameraTwoStatic, true);
}

void CalibrationWindow::Close(bool accepted) {
  if (accepted) {
    accept();
  } else {
    QDialog::reject();
  }
}

}  // namespace orvex::gui
