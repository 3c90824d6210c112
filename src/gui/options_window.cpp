// The Options dialog's layout and its bindings to OptionsDialog.
#include "gui/options_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/integer_edit.h"
#include "gui/jobs_report_window.h"
#include "gui/message_box.h"
#include "gui/ui_text.h"

namespace orvex::gui {

namespace {

constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;
constexpr int kDefaultSpeedEdit = 1070;
constexpr int kDirectionSortingCheck = 1094;
constexpr int kLoadButton = 1117;
constexpr int kSaveButton = 1118;
constexpr int kJobsReportButton = 1119;

std::string ToModel(const QString& text) {
  return text.toUtf8().toStdString();
}

}  // namespace

OptionsWindow::OptionsWindow(QWidget* parent, OptionsDialog& model)
    : QDialog(parent), model_(model) {
  LayOut();
}

void OptionsWindow::LayOut() {
  setWindowTitle(tr("Options"));

  auto* speed = NewIntegerEdit(this, 3);
  table_.Add(kDefaultSpeedEdit, speed);
  speed->installEventFilter(this);
  auto* speedLabel = new QLabel(tr("Default Speed"), this);
  speedLabel->setBuddy(speed);
  auto* sorting = new QCheckBox(tr("Cutting direction sorting"), this);
  table_.Add(kDirectionSortingCheck, sorting);

  auto* settings = new QFormLayout;
  settings->addRow(speedLabel, speed);
  settings->addRow(sorting);

  auto* load = new QPushButton(tr("Load cut setting"), this);
  auto* save = new QPushButton(tr("Save cut setting"), this);
  auto* report = new QPushButton(tr("Jobs report"), this);
  table_.Add(kLoadButton, load);
  table_.Add(kSaveButton, save);
  table_.Add(kJobsReportButton, report);
  auto* actions = new QVBoxLayout;
  for (QPushButton* button : {load, save, report}) {
    button->setAutoDefault(false);
    actions->addWidget(button);
  }
  actions->addStretch(1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  table_.Add(kOkButton, buttons->button(QDialogButtonBox::Ok));
  table_.Add(kCancelButton, buttons->button(QDialogButtonBox::Cancel));

  auto* body = new QHBoxLayout;
  body->addLayout(settings, 1);
  body->addSpacing(fontMetrics().height());
  body->addLayout(actions);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addStretch(1);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(load, &QPushButton::clicked, this, [this] {
    if (FieldsReadable()) EndWithOkWhen(model_.OnLoadCutSetting(*this));
  });
  connect(save, &QPushButton::clicked, this, [this] {
    if (FieldsReadable()) EndWithOkWhen(model_.OnSaveCutSetting(*this));
  });
  connect(report, &QPushButton::clicked, this, [this] { model_.OnJobsReport(*this); });
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (FieldsReadable()) EndWithOkWhen(model_.OnOk(*this));
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool OptionsWindow::eventFilter(QObject* watched, QEvent* event) {
  // A half-typed speed is left to the OK press, which shows the number message.
  if (event->type() == QEvent::FocusOut && table_.IdOf(watched) == kDefaultSpeedEdit &&
      IntegerIn(table_.As<QLineEdit>(kDefaultSpeedEdit))) {
    model_.OnDefaultSpeedLeft(*this);
  }
  return QDialog::eventFilter(watched, event);
}

bool OptionsWindow::FieldsReadable() {
  QLineEdit* unreadable = FirstNonInteger(table_, {kDefaultSpeedEdit});
  if (unreadable == nullptr) return true;
  ShowNumberMessage(this, unreadable, true);
  return false;
}

void OptionsWindow::EndWithOkWhen(bool closes) {
  if (closes) accept();
}

void OptionsWindow::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
  ShowOperatorMessage(this, text, caption, icon);
}

void OptionsWindow::ShowRangeMessage(int controlId, int minimum, int maximum) {
  gui::ShowRangeMessage(this, table_.Find(controlId), minimum, maximum);
}

void OptionsWindow::SetWindowCaption(std::string_view text) {
  setWindowTitle(TranslatedModelText(text));
}

void OptionsWindow::SetControlText(int controlId, std::string_view text) {
  table_.SetText(controlId, TranslatedModelText(text));
}

void OptionsWindow::ShowControl(int controlId, bool shown) {
  table_.Show(controlId, shown);
}

void OptionsWindow::EnableControl(int controlId, bool enabled) {
  table_.Enable(controlId, enabled);
}

void OptionsWindow::TakeFields(OptionsFields& fields) {
  fields.defaultSpeed = IntegerOr(table_, kDefaultSpeedEdit, fields.defaultSpeed);
  if (auto* sorting = table_.As<QCheckBox>(kDirectionSortingCheck)) {
    fields.directionSorting = sorting->isChecked() ? 1 : 0;
  }
}

void OptionsWindow::ShowFields(const OptionsFields& fields) {
  ShowInteger(table_, kDefaultSpeedEdit, fields.defaultSpeed);
  if (auto* sorting = table_.As<QCheckBox>(kDirectionSortingCheck)) {
    sorting->setChecked(fields.directionSorting != 0);
  }
}

std::optional<ChosenFile> OptionsWindow::RunFileDialog(bool save) {
  QFileDialog dialog(this);
  // Qt's own dialog, so the same dialog runs everywhere and a test can answer it.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(QStringLiteral("(*.CST)"));
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The folder must exist; an existing file is only replaced after the operator agrees.
    dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return ChosenFile{ToModel(chosen.front())};
}

std::optional<ChosenFile> OptionsWindow::OpenCutSettingFile() {
  return RunFileDialog(false);
}

std::optional<ChosenFile> OptionsWindow::SaveCutSettingFile() {
  return RunFileDialog(true);
}

void OptionsWindow::RunJobsReport(JobsReportDialog& dialog) {
  RunJobsReportWindow(this, dialog);
}

bool RunOptionsWindow(QWidget* parent, OptionsDialog& model) {
  OptionsWindow window(parent, model);
  model.OnInit(window);
  return window.exec() == QDialog::Accepted;
}

}  // namespace orvex::gui
