#include "gui/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>

#include "app/run_status.h"
#include "gui/calibration_window.h"
#include "gui/camera_pane.h"
#include "gui/event_loop_wait.h"
#include "gui/message_box.h"
#include "gui/options_window.h"
#include "gui/preview_pane.h"
#include "gui/spin_buttons.h"
#include "gui/splash_window.h"
#include "gui/ui_text.h"

namespace orvex::gui {

namespace {

constexpr int kCloseRetryMs = 120;
constexpr int kStatusRefreshMs = 250;

// The preview's off-screen drawing: its size and the rectangle the scale is taken from.
constexpr int kPreviewWidth = 420;
constexpr int kPreviewHeight = 300;
constexpr PreviewRect kPreviewTarget{4, 4, 412, 292};

QString FromModel(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString PhaseText(const RunStatus& status) {
  switch (status.phase) {
    case RunPhase::kIdle:
      return status.cutterFound ? MainWindow::tr("Ready") : MainWindow::tr("No cutter found");
    case RunPhase::kFeeding:
      return MainWindow::tr("Feeding a sheet");
    case RunPhase::kSeekingFirstMark:
      return status.edgeSearch ? MainWindow::tr("Looking for the sheet's side edge")
                               : MainWindow::tr("Looking for the first mark");
    case RunPhase::kSeekingSecondMark:
      return status.edgeSearch ? MainWindow::tr("Looking for the sheet's end")
                               : MainWindow::tr("Looking for the second mark");
    case RunPhase::kCutting:
      return MainWindow::tr("Cutting");
    case RunPhase::kAwaitingCutter:
      return MainWindow::tr("Waiting for the cutter to finish the sheet");
    case RunPhase::kPaused:
      return MainWindow::tr("Paused");
  }
  return {};
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), canvas_(kPreviewWidth, kPreviewHeight, kPreviewTarget) {
  LayOut();
  // Room for the camera pictures at a useful size, in units of the font so a larger font gets a
  // larger window; never more than the screen has.
  const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
  QSize wanted = sizeHint().expandedTo(QSize(em * 110, em * 64));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    wanted = wanted.boundedTo(screen->availableGeometry().size() * 9 / 10);
  }
  resize(wanted);
  calibration_ = std::make_unique<CalibrationWindow>(this);
  liveFeed_ = std::make_unique<LiveFeed>(*live_);
  QMenu* help = menuBar()->addMenu(tr("&Help"));
  aboutAction_ = help->addAction(QString());
  connect(aboutAction_, &QAction::triggered, this, [this] {
    if (about_) about_();
  });
  statusLine_ = new QLabel(this);
  statusBar()->addWidget(statusLine_, 1);
  statusTimer_.setInterval(kStatusRefreshMs);
  connect(&statusTimer_, &QTimer::timeout, this, &MainWindow::RefreshStatusLine);
  closeRetry_.setSingleShot(true);
  closeRetry_.setInterval(kCloseRetryMs);
  connect(&closeRetry_, &QTimer::timeout, this, &MainWindow::close);
}

MainWindow::~MainWindow() = default;

void MainWindow::Attach(MainWindowModel& model) {
  model_ = &model;
  ConnectNotifications();
  statusTimer_.start();
}

void MainWindow::StartModelTimer() {
  modelTimer_.setTimerType(Qt::PreciseTimer);
  modelTimer_.setInterval(kTimerPeriodMs);
  connect(&modelTimer_, &QTimer::timeout, this, [this] {
    if (model_ != nullptr) model_->OnTimer();
  });
  modelTimer_.start();
}

FrameSink& MainWindow::LiveFrames() {
  return *liveFeed_;
}

void MainWindow::Notify(int controlId, Notification notification) {
  if (model_ != nullptr) model_->OnCommand(controlId, notification);
}

void MainWindow::ConnectNotifications() {
  for (int id : table_.Ids()) {
    QWidget* widget = table_.Find(id);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      connect(edit, &QLineEdit::textChanged, this,
              [this, id] { Notify(id, Notification::kTextChanged); });
      edit->installEventFilter(this);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      connect(combo, &QComboBox::activated, this,
              [this, id] { Notify(id, Notification::kSelectionChanged); });
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      // clicked, not toggled: the model's own SetChecked must not read as the operator's.
      connect(button, &QAbstractButton::clicked, this,
              [this, id] { Notify(id, Notification::kClicked); });
    }
  }
  for (QLabel* jog : {jogUp_, jogDown_}) jog->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (model_ == nullptr) return false;
  if (event->type() == QEvent::FocusOut) {
    if (const int id = table_.IdOf(watched); id != 0) Notify(id, Notification::kFocusLost);
  } else if ((watched == jogUp_ || watched == jogDown_) &&
             event->type() == QEvent::MouseButtonPress) {
    model_->OnJogPress(watched == jogUp_);
    return true;
  } else if ((watched == jogUp_ || watched == jogDown_) &&
             event->type() == QEvent::MouseButtonRelease) {
    model_->OnJogRelease();
    return true;
  }
  return false;
}

void MainWindow::RefreshStatusLine() {
  UpdateTitle();
  if (model_ == nullptr || model_->Engine() == nullptr) return;
  const RunStatus status = DescribeRun(model_->Run(), *model_->Engine(), model_->Fields());
  QString text = PhaseText(status);
  if (status.phase != RunPhase::kIdle || status.sheetsCut > 0) {
    text += status.copiesWanted > 0
                ? tr(" - %1 of %2 sheets cut").arg(status.sheetsCut).arg(status.copiesWanted)
                : tr(" - %n sheet(s) cut", nullptr, status.sheetsCut);
  }
  if (!runNote_.isEmpty()) {
    if (status.phase != RunPhase::kIdle) {
      text += QStringLiteral(" - ") + runNote_;
      runNoteShown_ = true;
    } else if (runNoteShown_) {
      runNote_.clear();  // the run it was about has ended
      runNoteShown_ = false;
    }
  }
  statusLine_->setText(text);
}

// --- MainWindowView ------------------------------------------------------------------------------

void MainWindow::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
  ShowOperatorMessage(this, text, caption, icon);
}

void MainWindow::ShowRangeMessage(int controlId, int minimum, int maximum) {
  gui::ShowRangeMessage(this, table_.Find(controlId), minimum, maximum);
}

void MainWindow::ShowNumberMessage(int controlId, bool integer) {
  gui::ShowNumberMessage(this, table_.Find(controlId), integer);
}

void MainWindow::SetWindowCaption(std::string_view text) {
  caption_ = FromModel(text);
  UpdateTitle();
}

// The job's file name first, then the caption as the models set it: the taskbar then tells one
// job's window from another's.
void MainWindow::UpdateTitle() {
  QString title = caption_;
  if (model_ != nullptr && model_->JobLoaded() && !model_->Run().currentJobPath.empty()) {
    const QString job = QFileInfo(QString::fromStdString(model_->Run().currentJobPath)).fileName();
    title = job + QStringLiteral(" \u2014 ") + caption_;
  }
  if (title != windowTitle()) setWindowTitle(title);
}

void MainWindow::SetControlText(int controlId, std::string_view text) {
  table_.SetText(controlId, TranslatedModelText(text));
}

void MainWindow::ShowControl(int controlId, bool shown) {
  table_.Show(controlId, shown);
}

void MainWindow::EnableControl(int controlId, bool enabled) {
  table_.Enable(controlId, enabled);
}

std::string MainWindow::ControlText(int controlId) {
  return table_.Text(controlId).toStdString();
}

bool MainWindow::IsChecked(int controlId) {
  const auto* box = table_.As<QAbstractButton>(controlId);
  return box != nullptr && box->isChecked();
}

void MainWindow::SetChecked(int controlId, bool checked) {
  if (auto* box = table_.As<QAbstractButton>(controlId)) box->setChecked(checked);
}

void MainWindow::SetControlIcon(int controlId, std::string_view iconName, int sizePixels) {
  const QIcon icon(QStringLiteral(":/icons/%1.svg").arg(FromModel(iconName)));
  if (controlId == 0) {
    setWindowIcon(icon);
    QApplication::setWindowIcon(icon);
    return;
  }
  QWidget* widget = table_.Find(controlId);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setIcon(icon);
    button->setIconSize(QSize(sizePixels, sizePixels));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setPixmap(icon.pixmap(sizePixels, sizePixels));
  }
}

void MainWindow::SetComboEntries(int comboId, const std::vector<std::string>& entries) {
  auto* combo = table_.As<QComboBox>(comboId);
  if (combo == nullptr) return;
  const QSignalBlocker quiet(combo);
  combo->clear();
  for (const std::string& entry : entries) combo->addItem(TranslatedModelText(entry));
}

int MainWindow::ComboSelection(int comboId) {
  const auto* combo = table_.As<QComboBox>(comboId);
  return combo != nullptr ? combo->currentIndex() : -1;
}

void MainWindow::SetComboSelection(int comboId, int index) {
  if (auto* combo = table_.As<QComboBox>(comboId)) combo->setCurrentIndex(index);
}

void MainWindow::SetSystemMenuItemText(std::string_view text) {
  aboutAction_->setText(TranslatedModelText(text));
}

void MainWindow::ExtendWindowPast(int controlId, int marginPixels) {
  const QWidget* widget = table_.Find(controlId);
  if (widget == nullptr || !widget->isVisible()) return;
  const int right = widget->mapTo(this, QPoint(widget->width(), 0)).x();
  resize(right + marginPixels, height());
}

void MainWindow::SetWaitCursor(bool waiting) {
  if (waiting) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitCursors_;
  } else if (waitCursors_ > 0) {
    QApplication::restoreOverrideCursor();
    --waitCursors_;
  }
}

void MainWindow::SetSpinRange(int spinId, int minimum, int maximum) {
  if (auto found = spins_.find(spinId); found != spins_.end()) {
    found->second->SetRange(minimum, maximum);
  }
}

bool MainWindow::AskYesNo(std::string_view text, std::string_view caption) {
  return gui::AskYesNo(this, text, caption);
}

bool MainWindow::AskOpenFile(const std::vector<FileFilter>& filters, std::string& path) {
  if (nextOpenAnswer_) {
    path = *nextOpenAnswer_;
    nextOpenAnswer_.reset();
    return true;
  }
  QStringList nameFilters;
  for (const FileFilter& filter : filters) {
    // The patterns in both cases: file names on Linux are case-sensitive, and a job saved as
    // "sheet.eps" must be offered as readily as "SHEET.EPS".
    QStringList patterns;
    for (const QString& pattern : FromModel(filter.pattern).split(';', Qt::SkipEmptyParts)) {
      patterns << pattern.toLower() << pattern.toUpper();
    }
    patterns.removeDuplicates();
    nameFilters << QStringLiteral("%1 (%2)").arg(FromModel(filter.label), patterns.join(' '));
  }
  QFileDialog dialog(this);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilters(nameFilters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  path = dialog.selectedFiles().front().toStdString();
  return true;
}

void MainWindow::ShowSplash(std::string_view versionText) {
  gui::ShowSplash(this, FromModel(versionText));
}

bool MainWindow::RunOptionsDialog(OptionsDialog& dialog) {
  return RunOptionsWindow(this, dialog);
}

CalibrationView& MainWindow::CalibrationDialogView() {
  return *calibration_;
}

bool MainWindow::RunCalibrationDialog(CalibrationDialogModel& dialog) {
  return calibration_->Run(dialog);
}

void MainWindow::RepaintAll() {
  update();
  preview_->update();
  for (QWidget* child : findChildren<QGroupBox*>()) child->update();
}

// --- Closing -------------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
  if (model_ == nullptr) {
    event->accept();
    return;
  }
  // A close that reaches us inside a sheet's blocking sequence waits for the sequence to end:
  // ending the event loops now would send the rest of the sequence to the cutter without its
  // pauses.
  if (model_->InBlockingSequence() || WaitDepth() > 0) {
    event->ignore();
    closeRetry_.start();
    return;
  }
  if (model_->OnCloseRequest()) {
    modelTimer_.stop();
    statusTimer_.stop();
    event->accept();
  } else {
    event->ignore();  // the run loop ends the process at its next tick
  }
}

}  // namespace orvex::gui
