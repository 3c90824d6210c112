// The main window's controls and their arrangement: the camera panes along the top, the job
// preview below them with the job's line and the open buttons, the sheet and correction fields
// beside it, the dashed-line and special-colour groups and the run buttons along the bottom.
// Everything sits in layouts sized by the font, so the window grows with a larger font or a
// HiDPI screen instead of clipping.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_window_model.h"
#include "gui/camera_pane.h"
#include "gui/main_window.h"
#include "gui/preview_pane.h"
#include "gui/spin_buttons.h"

namespace orvex::gui {

namespace {
// The hidden controls of the window: they keep their behaviour, an edition may show them.
constexpr int kHiddenStatusButton = 1043;
constexpr int kDashedGroup = 1088;
constexpr int kCompensationGroup = 1085;
constexpr int kLivePane = 1003;
constexpr int kStillPane = 1004;
constexpr int kPreviewPane = 1029;
}  // namespace

void MainWindow::LayOut() {
  using namespace window_id;
  auto* central = new QWidget(this);
  setCentralWidget(central);
  const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));

  auto label = [&](int id, const QString& text) {
    auto* widget = new QLabel(text, central);
    if (id != 0) table_.Add(id, widget);
    return widget;
  };
  auto edit = [&](int id, int widthEm = 5) {
    auto* widget = new QLineEdit(central);
    widget->setMaximumWidth(widthEm * em);
    widget->setMinimumWidth(widthEm * em * 3 / 4);
    table_.Add(id, widget);
    return widget;
  };
  auto button = [&](int id, const QString& text) {
    auto* widget = new QPushButton(text, central);
    table_.Add(id, widget);
    return widget;
  };
  auto check = [&](int id, const QString& text) {
    auto* widget = new QCheckBox(text, central);
    table_.Add(id, widget);
    return widget;
  };
  auto combo = [&](int id) {
    auto* widget = new QComboBox(central);
    table_.Add(id, widget);
    return widget;
  };
  // An edit with its arrows, in one row cell.
  auto spinEdit = [&](int editId, int spinId) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    QLineEdit* field = edit(editId);
    auto* arrows = new SpinButtons(*field, central);
    table_.Add(spinId, arrows);
    spins_[spinId] = arrows;
    row->addWidget(field);
    row->addWidget(arrows);
    row->addStretch();
    return row;
  };
  // Caption, field (a widget or a row) and an optional trailing label, as one grid row.
  auto fieldRow = [](QGridLayout* grid, QWidget* caption, auto field, QWidget* after = nullptr) {
    const int row = grid->rowCount();
    grid->addWidget(caption, row, 0);
    if constexpr (std::is_convertible_v<decltype(field), QLayout*>) {
      grid->addLayout(field, row, 1);
    } else {
      grid->addWidget(field, row, 1);
    }
    if (after != nullptr) grid->addWidget(after, row, 2);
  };

  // --- Cameras, brightness and jog ---
  live_ = new CameraPane(central);
  still_ = new CameraPane(central);
  table_.Add(kLivePane, live_);
  table_.Add(kStillPane, still_);

  auto* cameraTools = new QVBoxLayout;
  auto* brightness = new QHBoxLayout;
  brightness->addWidget(button(kDarkerButton, tr("-")));
  brightness->addWidget(button(kBrighterButton, tr("+")));
  cameraTools->addLayout(brightness);
  cameraTools->addWidget(check(kAutoExposureCheck, tr("Auto")));
  cameraTools->addWidget(button(kCameraTestButton, tr("&Test")));
  cameraTools->addWidget(button(kCalibrationButton, tr("Report")));
  // The jog areas: pressing on the arrow moves the media while the button is held.
  auto jogRow = [&](QLabel*& area, const char* icon, int buttonId, const QString& caption) {
    auto* row = new QHBoxLayout;
    area = new QLabel(central);
    area->setPixmap(
        QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))).pixmap(48, 48));
    area->setToolTip(buttonId == kUpButton ? tr("Hold to move the media back")
                                           : tr("Hold to move the media forward"));
    area->setCursor(Qt::PointingHandCursor);
    row->addWidget(area);
    row->addWidget(button(buttonId, caption));
    cameraTools->addLayout(row);
  };
  jogRow(jogUp_, "icon191", kUpButton, tr("U"));
  jogRow(jogDown_, "icon192", kDownButton, tr("D"));
  cameraTools->addWidget(button(kWidenButton, tr(">")));
  cameraTools->addStretch();

  // --- Preview, job line and the open buttons ---
  preview_ = new PreviewPane(canvas_, central);
  table_.Add(kPreviewPane, preview_);
  QLabel* jobLine = label(kLastJobLine, QString());
  jobLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
  jobLine->setMinimumWidth(20 * em);
  auto* openRow = new QHBoxLayout;
  openRow->addWidget(button(kFileOpenButton, tr(" File Open")));
  openRow->addWidget(button(kOpenLastJobButton, tr("Open last job")), 1);
  openRow->addWidget(label(kStatusIcon, QString()));
  auto* previewColumn = new QVBoxLayout;
  previewColumn->addWidget(preview_, 1);
  previewColumn->addWidget(jobLine);
  previewColumn->addLayout(openRow);

  // --- Sheet and corrections ---
  auto* sheet = new QGridLayout;
  {
    auto* x = spinEdit(kXCorrectionEdit, kXCorrectionSpin);
    x->insertWidget(x->count() - 1, new QLabel(tr(" X +"), central));
    fieldRow(sheet, new QLabel(tr("- X"), central), x);
    auto* y = spinEdit(kYCorrectionEdit, kYCorrectionSpin);
    y->insertWidget(y->count() - 1, new QLabel(tr("- Y"), central));
    fieldRow(sheet, new QLabel(tr("+ Y"), central), y);
  }
  fieldRow(sheet, new QLabel(tr("Cut force"), central), spinEdit(kCutForceEdit, kCutForceSpin));
  fieldRow(sheet, new QLabel(tr("Height"), central), spinEdit(kHeightEdit, kHeightSpin));
  fieldRow(sheet, new QLabel(tr("Width"), central), spinEdit(kWidthEdit, kWidthSpin));
  fieldRow(sheet, new QLabel(tr("Insertion"), central), edit(kInsertionEdit));
  fieldRow(sheet, new QLabel(tr("Uplift"), central), edit(kUpliftEdit));
  fieldRow(sheet, label(kFirstMarkerCaption, tr("Label step")), edit(kFirstMarkerEdit, 7),
           label(kUnitLabelFirstMarker, tr("mm")));
  fieldRow(sheet, label(kCutterWidthLabel, tr("Cutter width")), edit(kCutterWidthEdit, 7),
           label(kUnitLabelCutterWidth, tr("mm")));
  fieldRow(sheet, label(kFirstMarkerCrossLabel, tr("Y")), edit(kFirstMarkerCrossEdit, 7));
  fieldRow(sheet, new QLabel(tr("Pass"), central), combo(kPassCombo));
  fieldRow(sheet, label(kMultipleLabel, tr("Multiple")), combo(kMultipleCombo));
  fieldRow(sheet, label(kSpacingLabel, tr("Spacing")), edit(kSpacingEdit));
  sheet->setRowStretch(sheet->rowCount(), 1);

  auto* compensation = new QGroupBox(tr("Compensation"), central);
  table_.Add(kCompensationGroup, compensation);
  {
    auto* row = new QHBoxLayout(compensation);
    row->addWidget(new QLabel(tr("L"), central));
    row->addLayout(spinEdit(kCompensationLeftEdit, kCompensationLeftSpin));
    row->addWidget(new QLabel(tr("R"), central));
    row->addLayout(spinEdit(kCompensationRightEdit, kCompensationRightSpin));
  }
  // --- Dashed line and special colour ---
  auto* dashed = new QGroupBox(tr("Dashed line - Die cut"), central);
  table_.Add(kDashedGroup, dashed);
  {
    auto* grid = new QGridLayout(dashed);
    grid->addWidget(check(kDashEnableCheck, tr("Enable")), 0, 0, 1, 2);
    fieldRow(grid, new QLabel(tr("Cut Length"), central), edit(kDashCutEdit));
    fieldRow(grid, new QLabel(tr("Up Length"), central), edit(kDashUpEdit));
    fieldRow(grid, new QLabel(tr("Cut force"), central), edit(kDashForceEdit));
    fieldRow(grid, new QLabel(tr("Speed"), central), edit(kDashSpeedEdit));
  }
  auto* special = new SpecialColorGroup(
      tr("Special Color"),
      [this] { return model_ != nullptr && model_->Run().specialPresent == 1; }, central);
  table_.Add(kSpecialColorGroup, special);
  {
    auto* grid = new QGridLayout(special);
    grid->addWidget(combo(kSpecialModeCombo), 0, 0, 1, 2);
    fieldRow(grid, new QLabel(tr("Cut Length"), central), edit(kSpecialCutEdit));
    fieldRow(grid, new QLabel(tr("Up Length"), central), edit(kSpecialUpEdit));
    fieldRow(grid, new QLabel(tr("Cut force"), central), edit(kSpecialForceEdit));
    fieldRow(grid, new QLabel(tr("Speed"), central), edit(kSpecialSpeedEdit));
  }

  // --- The run ---
  auto* run = new QGridLayout;
  fieldRow(run, new QLabel(tr("Count"), central), edit(kCountEdit));
  run->addWidget(check(kCopiesCheck, tr("Enter copies")), run->rowCount(), 0, 1, 2);
  fieldRow(run, new QLabel(tr("Copies"), central), edit(kCopiesEdit));
  run->addWidget(check(kWithoutMarksCheck, tr("Cut without crop marks")), run->rowCount(), 0, 1, 2);
  QPushButton* start = button(kStartButton, tr("&Start"));
  start->setDefault(true);
  start->setMinimumHeight(start->sizeHint().height() * 3 / 2);
  auto* runButtons = new QGridLayout;
  runButtons->addWidget(start, 0, 0, 1, 2);
  runButtons->addWidget(button(kPauseButton, tr("Pause")), 1, 0);
  runButtons->addWidget(button(kCutTestButton, tr("Cut Test")), 1, 1);
  runButtons->addWidget(button(kMoreOptionsButton, tr("More Options")), 2, 0, 1, 2);
  auto* tools = new QHBoxLayout;
  tools->addWidget(button(kCycleButton, tr("Cycle")));
  tools->addWidget(button(kCreaseButton, tr("Crease")));
  tools->addWidget(button(kBladeButton, tr("Blade")));
  auto* runColumn = new QVBoxLayout;
  runColumn->addLayout(run);
  runColumn->addLayout(runButtons);
  runColumn->addLayout(tools);
  runColumn->insertStretch(0, 1);

  // The controls an edition does not show, kept for their behaviour.
  auto* hidden = new QHBoxLayout;
  hidden->addWidget(combo(kMarkModeCombo));
  hidden->addWidget(check(kDLiftCheck, tr("dLift")));
  hidden->addWidget(check(kBladeUpCheck, tr("Blade Up")));
  hidden->addWidget(edit(kLastCutEdit));
  hidden->addWidget(button(kHiddenStatusButton, QString()));
  for (int id : {kHiddenStatusButton, kCycleButton, kCreaseButton, kBladeButton}) {
    table_.Show(id, false);
  }

  // Four columns: the cameras over the preview and the two line groups; the sheet's fields and
  // the compensation; the camera tools over the run.
  auto* window = new QGridLayout(central);
  window->addWidget(live_, 0, 0);
  window->addWidget(still_, 0, 1);
  window->addLayout(previewColumn, 1, 0, 1, 2);
  window->addWidget(dashed, 2, 0);
  window->addWidget(special, 2, 1);
  window->addLayout(sheet, 0, 2, 2, 1);
  window->addWidget(compensation, 2, 2, Qt::AlignTop);
  window->addLayout(cameraTools, 0, 3);
  window->addLayout(runColumn, 1, 3, 2, 1);
  window->addLayout(hidden, 3, 0, 1, 4);
  window->setColumnStretch(0, 1);
  window->setColumnStretch(1, 1);
  window->setRowStretch(1, 1);
}

}  // namespace orvex::gui
