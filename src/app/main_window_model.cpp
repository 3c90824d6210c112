// The main-window model: field transfer with ranges, control state, the command table, the
// window's life cycle and the ports the other layers call.
#include "app/main_window_model.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace orvex {
namespace {

using namespace window_id;

constexpr std::string_view kApplicationTitle = "Orvex";
constexpr std::string_view kAboutMenuItem = "&About Orvex...";
constexpr std::string_view kJogOriginMessage = "Cannot move negative to the origin";
constexpr std::string_view kJogDownText = "O200.0,0.0\n";
constexpr double kJogDownStep = 2.0;
constexpr double kJogOriginLimitMm = 0.1;
constexpr int kJogStatusStep = 150;
constexpr int kJogEndStatusStep = 38;
constexpr int kJogDownStatusStep = 32;
constexpr int kParkCross = 110;
constexpr int kWidenMarginPixels = 25;

constexpr int kBrightnessMax = 10;
constexpr int kBrightnessMin = -10;
constexpr int kExposureFloor = -10;
constexpr int kBrightnessAfterBrighter = 4;
constexpr int kBrightnessAfterDarker = -4;
constexpr int kAutoExposureOn = -10;
constexpr int kAutoExposureOff = -7;
constexpr int kManual = 1;
constexpr int kAutomatic = 2;
constexpr int kLeaveMode = 0;

constexpr int kDashedSpecialSpeed = 12;
constexpr int kOtherSpecialSpeed = 40;
constexpr int kCreasingToolForce = 38;
constexpr int kBladeCreasingForce = 12;

BoundControl Ranged(int id, int minimum, int maximum) {
  return {id, FieldKind::kInt, minimum, maximum};
}
BoundControl Free(int id) {
  return {id, FieldKind::kInt, std::nullopt, std::nullopt};
}
BoundControl Real(int id) {
  return {id, FieldKind::kReal, std::nullopt, std::nullopt};
}
BoundControl Check(int id) {
  return {id, FieldKind::kCheck, std::nullopt, std::nullopt};
}

// Whole text as an integer, white space around it allowed, as the toolkit's transfer reads it.
std::optional<long> ParseInteger(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(begin, &end, 10);
  if (end == begin || errno == ERANGE) return std::nullopt;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return std::nullopt;
  return value;
}

std::optional<double> ParseReal(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE) return std::nullopt;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return std::nullopt;
  return value;
}

std::string FormatReal(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

bool Blank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

const std::vector<SpinRange>& SpinRanges() {
  static const std::vector<SpinRange> kSpins = {
      {kXCorrectionSpin, -100, 100},    {kYCorrectionSpin, -100, 100},
      {kCutForceSpin, -100, 100},       {kHeightSpin, -100, 100},
      {kWidthSpin, -100, 100},          {kCompensationLeftSpin, -30, 30},
      {kCompensationRightSpin, -30, 30}};
  return kSpins;
}

const std::vector<BoundControl>& BoundControls() {
  static const std::vector<BoundControl> kControls = {
      Ranged(kXCorrectionEdit, -100, 100),
      Ranged(kYCorrectionEdit, -100, 100),
      Free(kCountEdit),
      Ranged(kCutForceEdit, -100, 100),
      Check(kWithoutMarksCheck),
      Free(kCopiesEdit),
      Check(kCopiesCheck),
      Check(kAutoExposureCheck),
      Ranged(kHeightEdit, -100, 100),
      Ranged(kInsertionEdit, -100, 155),
      Ranged(kCompensationLeftEdit, -30, 30),
      Ranged(kCompensationRightEdit, -30, 30),
      Ranged(kUpliftEdit, -100, 100),
      Ranged(kDashUpEdit, 1, 100),
      Ranged(kDashCutEdit, 1, 1000),
      Check(kDashEnableCheck),
      Real(kFirstMarkerEdit),
      Real(kCutterWidthEdit),
      Check(kDLiftCheck),
      Check(kBladeUpCheck),
      Ranged(kWidthEdit, -100, 100),
      Real(kLastCutEdit),
      Ranged(kSpecialCutEdit, 1, 1000),
      Ranged(kSpecialUpEdit, 1, 100),
      Free(kSpecialForceEdit),
      Ranged(kSpecialSpeedEdit, 1, 60),
      Free(kDashForceEdit),
      Real(kFirstMarkerCrossEdit),
      Ranged(kSpacingEdit, 1, 20),
      Ranged(kDashSpeedEdit, 1, 60),
  };
  return kControls;
}

MainWindowModel::MainWindowModel(MainWindowParts parts)
    : run_(parts.run),
      view_(parts.view),
      store_(parts.store),
      profile_(parts.profile),
      workDir_(parts.workDir),
      clock_(parts.clock),
      cutter_(parts.cutter),
      pdf_(parts.pdf),
      camera_(parts.camera),
      startup_(parts.run, fields_, dialogPort_, parts.store, parts.workDir),
      recent_(parts.workDir.File(workfile::kRecent), parts.run, fields_),
      loader_(parts.run, parts.workDir, loaderPort_, parts.canvas, parts.profile) {
  loader_.SetPdfConverter(&pdf_);
  loader_.SetEpsConverter(parts.eps);
  loader_.SetCameraGraph(parts.cameraGraph);
  loader_.SetRecentJobs(&recent_);
  loader_.SetClock(&clock_);
  cameraGraph_ = parts.cameraGraph;
  feeder_ = parts.feeder;
  vision_ = parts.vision;
  if (parts.feeder != nullptr && parts.vision != nullptr) {
    engine_ = std::make_unique<RunEngine>(
        run_, workDir_,
        RunPorts{cutter_, *parts.feeder, clock_, runAppPort_, runViewPort_, *parts.vision});
  }
}

// --- Field transfer ------------------------------------------------------------------------------

int* MainWindowModel::IntMember(int id) {
  MainWindowFields& f = fields_;
  switch (id) {
    case kXCorrectionEdit:
      return &f.xCorrection;
    case kYCorrectionEdit:
      return &f.yCorrection;
    case kCountEdit:
      return &f.sheetCount;
    case kCutForceEdit:
      return &f.cutForce;
    case kWithoutMarksCheck:
      return &f.withoutMarks;
    case kCopiesEdit:
      return &f.copies;
    case kCopiesCheck:
      return &f.copiesEntered;
    case kAutoExposureCheck:
      return &f.autoExposure;
    case kHeightEdit:
      return &f.height;
    case kInsertionEdit:
      return &f.insertion;
    case kCompensationLeftEdit:
      return &f.compensationLeft;
    case kCompensationRightEdit:
      return &f.compensationRight;
    case kUpliftEdit:
      return &f.uplift;
    case kDashUpEdit:
      return &f.dashUpLength;
    case kDashCutEdit:
      return &f.dashCutLength;
    case kDashEnableCheck:
      return &f.dashedLineOn;
    case kDLiftCheck:
      return &f.dLift;
    case kBladeUpCheck:
      return &f.bladeUp;
    case kWidthEdit:
      return &f.width;
    case kSpecialCutEdit:
      return &f.specialCutLength;
    case kSpecialUpEdit:
      return &f.specialUpLength;
    case kSpecialForceEdit:
      return &f.specialForce;
    case kSpecialSpeedEdit:
      return &f.specialSpeed;
    case kDashForceEdit:
      return &f.dashForce;
    case kSpacingEdit:
      return &f.spacing;
    case kDashSpeedEdit:
      return &f.dashSpeed;
    default:
      return nullptr;
  }
}

double* MainWindowModel::RealMember(int id) {
  switch (id) {
    case kFirstMarkerEdit:
      return &fields_.firstMarker;
    case kCutterWidthEdit:
      return &fields_.cutterWidth;
    case kLastCutEdit:
      return &fields_.lastCutShown;
    case kFirstMarkerCrossEdit:
      return &fields_.firstMarkerCross;
    default:
      return nullptr;
  }
}

int* MainWindowModel::ComboMember(int id) {
  switch (id) {
    case kMarkModeCombo:
      return &fields_.markModeSelection;
    case kPassCombo:
      return &fields_.passSelection;
    case kSpecialModeCombo:
      return &fields_.specialSelection;
    case kMultipleCombo:
      return &fields_.multipleSelection;
    default:
      return nullptr;
  }
}

bool MainWindowModel::TakeFields() {
  // Every field that reads well is taken; the first one that does not gets the toolkit's
  // message and keeps its member, so one slip never throws the other fields away.
  std::optional<BoundControl> refused;
  bool notANumber = false;
  for (const BoundControl& control : BoundControls()) {
    if (control.kind == FieldKind::kCheck) {
      *IntMember(control.id) = view_.IsChecked(control.id) ? 1 : 0;
      continue;
    }
    const std::string text = view_.ControlText(control.id);
    if (control.kind == FieldKind::kReal) {
      if (std::optional<double> value = ParseReal(text)) {
        *RealMember(control.id) = *value;
      } else if (!refused) {
        refused = control;
        notANumber = true;
      }
      continue;
    }
    std::optional<long> value = ParseInteger(text);
    bool fits = value.has_value() && *value >= INT32_MIN && *value <= INT32_MAX;
    if (fits && control.minimum && (*value < *control.minimum || *value > *control.maximum)) {
      if (!refused) refused = control;
      continue;
    }
    if (!fits) {
      if (!refused) {
        refused = control;
        notANumber = true;
      }
      continue;
    }
    *IntMember(control.id) = static_cast<int>(*value);
  }
  for (int combo : {kMarkModeCombo, kPassCombo, kSpecialModeCombo, kMultipleCombo}) {
    int selection = view_.ComboSelection(combo);
    if (selection >= 0 && selection < static_cast<int>(combos_[combo].size())) {
      *ComboMember(combo) = selection;
    }
  }
  if (!refused) return true;
  if (notANumber || !refused->minimum) {
    view_.ShowNumberMessage(refused->id, refused->kind != FieldKind::kReal);
  } else {
    view_.ShowRangeMessage(refused->id, *refused->minimum, *refused->maximum);
  }
  return false;
}

void MainWindowModel::ShowFields() {
  ProgramChange guard(*this);
  for (const BoundControl& control : BoundControls()) {
    switch (control.kind) {
      case FieldKind::kCheck:
        view_.SetChecked(control.id, *IntMember(control.id) != 0);
        break;
      case FieldKind::kReal:
        view_.SetControlText(control.id, FormatReal(*RealMember(control.id)));
        break;
      case FieldKind::kInt:
        view_.SetControlText(control.id, std::to_string(*IntMember(control.id)));
        break;
    }
  }
  for (int combo : {kMarkModeCombo, kPassCombo, kSpecialModeCombo, kMultipleCombo}) {
    view_.SetComboSelection(combo, *ComboMember(combo));
  }
}

bool MainWindowModel::DialogPort::TakeFields(MainWindowFields& fields) {
  bool ok = m_.TakeFields();
  if (&fields != &m_.fields_) fields = m_.fields_;
  return ok;
}

void MainWindowModel::DialogPort::ShowFields(const MainWindowFields& fields) {
  if (&fields != &m_.fields_) m_.fields_ = fields;
  m_.ShowFields();
}

// --- Control state -------------------------------------------------------------------------------

void MainWindowModel::Enable(int controlId, bool enabled) {
  controls_[controlId].enabled = enabled;
  view_.EnableControl(controlId, enabled);
}

void MainWindowModel::Show(int controlId, bool shown) {
  controls_[controlId].shown = shown;
  view_.ShowControl(controlId, shown);
}

void MainWindowModel::SetCaption(int controlId, std::string_view text) {
  ProgramChange guard(*this);
  controls_[controlId].caption = std::string(text);
  view_.SetControlText(controlId, text);
}

void MainWindowModel::SetIcon(int controlId, std::string_view icon, int sizePixels) {
  controls_[controlId].icon = std::string(icon);
  view_.SetControlIcon(controlId, icon, sizePixels);
}

void MainWindowModel::SelectCombo(int comboId, int index) {
  ProgramChange guard(*this);
  if (int* member = ComboMember(comboId)) *member = index;
  view_.SetComboSelection(comboId, index);
}

void MainWindowModel::AddComboEntry(int comboId, std::string_view text) {
  std::vector<std::string>& entries = combos_[comboId];
  entries.emplace_back(text);
  ProgramChange guard(*this);
  view_.SetComboEntries(comboId, entries);
  if (int* member = ComboMember(comboId)) view_.SetComboSelection(comboId, *member);
}

const ControlState& MainWindowModel::State(int controlId) {
  return controls_[controlId];
}

std::string MainWindowModel::MessageCaptionText() const {
  return run_.customTitleRead ? run_.customTitle : std::string(kApplicationTitle);
}

void MainWindowModel::ShowMessage(std::string_view text, MessageIcon icon) {
  operatorMessages_.emplace_back(text);
  view_.ShowMessage(text, MessageCaptionText(), icon);
}

// --- Life cycle ----------------------------------------------------------------------------------

void MainWindowModel::SetupCombos() {
  ProgramChange guard(*this);
  combos_[kMarkModeCombo] = {" Read 2 markers", " Cut without reading", " Read 4 cropmarks",
                             " Markerless"};
  combos_[kPassCombo] = {"1", "2", "3"};
  combos_[kSpecialModeCombo] = {"Dashed line", "Half Cutting", "Blade creasing"};
  combos_[kMultipleCombo] = {"1", "2", "3", "4", "5"};
  for (const auto& [id, entries] : combos_) view_.SetComboEntries(id, entries);
}

void MainWindowModel::SetupIcons() {
  SetIcon(kDarkerButton, "icon161", 16);
  SetIcon(kBrighterButton, "icon168", 16);
  SetIcon(kFileOpenButton, "icon169", 16);
  SetIcon(kStatusIcon, "icon169", 16);
  SetIcon(kUpButton, "icon145", 48);
  SetIcon(kDownButton, "icon146", 48);
  SetIcon(kPauseButton, "icon170", 16);
}

void MainWindowModel::Initialise() {
  SetupCombos();
  view_.SetSystemMenuItemText(kAboutMenuItem);
  SetIcon(0, "icon165", 32);  // the window's own icon
  // Controls that start disabled or hidden in the window's template.
  for (int id : {kStartButton, kCountEdit, kCopiesEdit, kDashEnableCheck, kCutterWidthEdit}) {
    Enable(id, false);
  }
  for (int id : {kAutoExposureCheck, kDLiftCheck, kBladeUpCheck, kLastCutEdit,
                 kFirstMarkerCrossEdit, kFirstMarkerCrossLabel, kMarkModeCombo, kCameraTestButton,
                 kDownButton, kUpButton, kWidenButton}) {
    Show(id, false);
  }
  if (cameraGraph_ != nullptr) cameraGraph_->Rebuild();
  startup_.LoadFirstSettings();
  for (const SpinRange& spin : SpinRanges())
    view_.SetSpinRange(spin.spinId, spin.minimum, spin.maximum);
  startup_.ApplyBranding();
  startup_.ProbePdf(pdf_);
  cutter_.ClearStatusRead();
  startup_.LoadRemainingSettings();
  ticks_ = 0;  // the platform starts the 120 ms timer now
  ShowFields();
  SetupIcons();
  startup_.ShowFieldsAndSelectFirst();
  run_.markMode = 0;
  run_.specialMode = 0;
  run_.passes = 1;
  startup_.ApplyCreasingFeatures();
  startup_.ApplyToolFeatures();
}

void MainWindowModel::RunBlocking(const std::function<void()>& sequence) {
  ++blockingDepth_;
  sequence();
  --blockingDepth_;
  if (blockingDepth_ > 0) return;
  // What arrived meanwhile runs once now, as a coalesced timer message would.
  if (framePending_) {
    framePending_ = false;
    OnFrameReady();
  }
  if (tickPending_) {
    tickPending_ = false;
    OnTimer();
  }
}

void MainWindowModel::OnTimer() {
  if (blockingDepth_ > 0) {
    tickPending_ = true;
    return;
  }
  ++ticks_;
  if (engine_ != nullptr) {
    // The engine counts down to the window's set-up and calls the refreshes after its work.
    engine_->OnTimer();
    return;
  }
  if (!deferredDone_ && ticks_ >= kDeferredSetupTick) DeferredSetup();
  TimerRefreshes();
}

void MainWindowModel::OnFrameReady() {
  if (blockingDepth_ > 0) {
    framePending_ = true;
    return;
  }
  if (engine_ != nullptr) engine_->OnFrameReady();
}

void MainWindowModel::DeferredSetup() {
  if (deferredDone_) return;
  deferredDone_ = true;
  if (camera_ != nullptr) {
    int exposure = 0;
    camera_->ReadExposure(exposure);
    camera_->SetBrightness(kBrightnessMin, kManual);
  }
  startup_.DeferredSetup();
}

void MainWindowModel::TimerRefreshes() {
  if (fieldsEdited_) {
    fieldsEdited_ = false;
    TakeFields();
  }
  if (forceEdited_) {
    forceEdited_ = false;
    TakeFields();
    CapForces();
  }
}

void MainWindowModel::CapForces() {
  const int cap = run_.cutterModel >= 1 ? kForceCapWithCutter : kForceCapWithoutCutter;
  bool capped = false;
  for (int* force : {&fields_.cutForce, &fields_.dashForce, &fields_.specialForce}) {
    if (*force > cap) {
      *force = cap;
      capped = true;
    }
  }
  if (!capped) return;
  ShowMessage("Maximum Cut Force is " + std::to_string(cap), MessageIcon::kInformation);
  ShowFields();
}

bool MainWindowModel::OnCloseRequest() {
  const bool closing = startup_.CloseRequest();
  if (closing && engine_ != nullptr) engine_->ReleaseSleep();
  return closing;
}

void MainWindowModel::SetSleepInhibitor(SleepInhibitor* inhibitor) {
  if (engine_ != nullptr) engine_->SetSleepInhibitor(inhibitor);
}

// --- The command table ---------------------------------------------------------------------------

void MainWindowModel::OnCommand(int id, Notification notification) {
  if (programChange_ > 0) return;
  switch (notification) {
    case Notification::kClicked:
      switch (id) {
        case kStartButton:
          OnStart();
          break;
        case kPauseButton:
          OnPause();
          break;
        case kCutTestButton:
          OnCutTest();
          break;
        case kFileOpenButton:
          OnFileOpen();
          break;
        case kOpenLastJobButton:
          OnOpenLastJob();
          break;
        case kMoreOptionsButton:
          OnMoreOptions();
          break;
        case kCalibrationButton:
          OnCalibration();
          break;
        case kCameraTestButton:
          OnCameraTest();
          break;
        case kBrighterButton:
          OnBrighter();
          break;
        case kDarkerButton:
          OnDarker();
          break;
        case kAutoExposureCheck:
          OnAutoExposure();
          break;
        case kCopiesCheck:
          OnEnterCopies();
          break;
        case kWithoutMarksCheck:
          OnWithoutMarks();
          break;
        case kDashEnableCheck:
          OnDashedLine();
          break;
        case kCreaseButton:
          OnCrease();
          break;
        case kBladeButton:
          OnBlade();
          break;
        case kCycleButton:
          OnCycle();
          break;
        case kDownButton:
          OnDown();
          break;
        case kUpButton:
          OnUp();
          break;
        case kWidenButton:
          OnWiden();
          break;
        default:
          break;
      }
      break;
    case Notification::kSelectionChanged:
      switch (id) {
        case kMarkModeCombo:
          OnMarkModeChanged();
          break;
        case kPassCombo:
          OnPassChanged();
          break;
        case kSpecialModeCombo:
          OnSpecialModeChanged();
          break;
        case kMultipleCombo:
          OnMultipleChanged();
          break;
        default:
          break;
      }
      break;
    case Notification::kTextChanged:
      switch (id) {
        case kCutForceEdit:
        case kSpecialForceEdit:
        case kDashForceEdit:
          OnForceEdited();
          break;
        case kDashUpEdit:
        case kSpecialCutEdit:
        case kSpecialUpEdit:
        case kSpecialSpeedEdit:
          OnLengthEdited();
          break;
        case kSpacingEdit:
          OnSpacingChanged();
          break;
        default:
          break;
      }
      break;
    case Notification::kFocusLost:
      switch (id) {
        case kSpacingEdit:
        case kHeightEdit:
        case kInsertionEdit:
        case kCompensationLeftEdit:
        case kCompensationRightEdit:
        case kDashCutEdit:
        case kDashUpEdit:
        case kSpecialCutEdit:
        case kUpliftEdit:
        case kDashSpeedEdit:
        case kSpecialUpEdit:
        case kSpecialSpeedEdit:
        case kWidthEdit:
          OnFieldLeft();
          break;
        default:
          break;
      }
      break;
  }
}

void MainWindowModel::OnStart() {
  if (engine_ != nullptr) engine_->Start();
}

void MainWindowModel::OnPause() {
  if (engine_ != nullptr) engine_->PauseResume();
}

void MainWindowModel::OnCutTest() {
  if (engine_ != nullptr) engine_->CutTest();
}

void MainWindowModel::Load(bool lastJob) {
  if (loading_) return;
  loading_ = true;
  openUsed_ = true;
  bool loadedNow = false;
  RunBlocking([&] {
    const LoadReport& report = lastJob ? loader_.OpenLastJob() : loader_.LoadJob();
    loadedNow = report.outcome == LoadOutcome::kLoaded;
    // A refused job may have replaced some working files already; only a load that reached
    // its end leaves a job the run can use.
    if (report.outcome == LoadOutcome::kLoaded) jobLoaded_ = true;
    if (report.outcome == LoadOutcome::kFailed) jobLoaded_ = false;
  });
  loading_ = false;
  if (loadedNow && jobLoadedHandler_) jobLoadedHandler_();
}

void MainWindowModel::OnFileOpen() {
  Load(false);
}
void MainWindowModel::OnOpenLastJob() {
  Load(true);
}

void MainWindowModel::Reload() {
  // Without a job there is nothing to lay out again; a reload would open the file dialog.
  if (!jobLoaded_ || loading_) return;
  run_.reopenRequest = 1;
  Load(false);
}

void MainWindowModel::OnMoreOptions() {
  TakeFields();
  MoreOptions(run_, fields_, dialogPort_, store_, commandsPort_, workDir_);
}

void MainWindowModel::OnCalibration() {
  if (calibration_ == nullptr) {
    calibration_ =
        std::make_unique<CalibrationDialogModel>(view_.CalibrationDialogView(), calibrationPort_);
  }
  const int mode = CalibrationMode(run_.secondCamera, run_.mediaWidth, run_.creasingVariant);
  // The square is converted at the scale the run will read marks with, not at a mark size
  // left from before the cutter was known.
  run_.markScale = 4.0 / RunMarkSize(run_);
  calibration_->Prepare({run_.cameraOffsetX, run_.cameraOffsetY}, mode);
  TakeFields();
  if (!view_.RunCalibrationDialog(*calibration_)) return;
  const OffsetPair chosen = calibration_->Result();
  store_.WriteCalibration(run_, chosen.x, chosen.y);
}

void MainWindowModel::OnCameraTest() {
  // File names in the working directory are compared without regard to case.
  bool installed = false;
  std::error_code error;
  for (std::filesystem::directory_iterator it(workDir_.Root(), error), end; !error && it != end;
       it.increment(error)) {
    std::string name = it->path().filename().string();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == kCameraTestLibrary && it->is_regular_file(error)) {
      installed = true;
      break;
    }
  }
  if (!installed) return;
  run_.secondCamera = 1;
  if (vision_ != nullptr) {
    vision_->SwitchCamera(1);
  } else if (cameraGraph_ != nullptr) {
    cameraGraph_->Rebuild();
  }
}

void MainWindowModel::CalibrationPort::StartCalibrationRead() {
  m_.run_.calibrationRead = 1;
  if (m_.vision_ != nullptr) m_.vision_->RequestFrame();
}

void MainWindowModel::OnBrighter() {
  if (camera_ == nullptr) return;
  int brightness = 0;
  if (!camera_->ReadBrightness(brightness)) return;
  if (brightness < kBrightnessMax) {
    camera_->SetBrightness(brightness + 1, kManual);
    return;
  }
  ++exposure_;
  camera_->SetExposure(exposure_, kAutomatic);
  camera_->SetBrightness(kBrightnessAfterBrighter, kManual);
}

void MainWindowModel::OnDarker() {
  if (camera_ == nullptr) return;
  int brightness = 0;
  if (!camera_->ReadBrightness(brightness)) return;
  if (brightness > kBrightnessMin) {
    camera_->SetBrightness(brightness - 1, kManual);
    return;
  }
  if (exposure_ >= kExposureFloor) {
    --exposure_;
    camera_->SetExposure(exposure_, kAutomatic);
    camera_->SetBrightness(kBrightnessAfterDarker, kManual);
  } else {
    camera_->SetBrightness(brightness, kManual);
  }
}

void MainWindowModel::OnAutoExposure() {
  TakeFields();
  if (camera_ == nullptr) return;
  if (fields_.autoExposure != 0) {
    camera_->SetExposure(kAutoExposureOn, kManual);
    camera_->SetBrightness(kBrightnessMin, kManual);
  } else {
    camera_->SetExposure(kAutoExposureOff, kLeaveMode);
  }
}

void MainWindowModel::OnEnterCopies() {
  TakeFields();
  const bool on = fields_.copiesEntered != 0;
  Enable(kCopiesEdit, on);
  Enable(kWithoutMarksCheck, on);
}

void MainWindowModel::OnWithoutMarks() {
  TakeFields();
}

void MainWindowModel::DashedLineMode() {
  const bool on = fields_.dashedLineOn != 0;
  for (int id : {kDashCutEdit, kDashUpEdit, kCutForceEdit, kCutForceSpin}) Enable(id, !on);
  // Switching the mode on is what hands the dashed-line lengths to the cutter.
  if (on) SendCutterCommand(kDashedSetup);
  Enable(kStartButton, false);
}

void MainWindowModel::OnDashedLine() {
  TakeFields();
  DashedLineMode();
}

CutterCommandInputs MainWindowModel::CommandInputs() const {
  CutterCommandInputs in;
  in.cutForce = fields_.cutForce;
  in.dashedForce = fields_.dashForce;
  in.dashedUpLength = fields_.dashUpLength;
  in.dashedCutLength = fields_.dashCutLength;
  in.specialUpLength = fields_.specialUpLength;
  in.specialCutLength = fields_.specialCutLength;
  in.dashedSpeed = fields_.dashSpeed;
  in.specialSpeed = fields_.specialSpeed;
  in.labelStep = fields_.firstMarker;
  in.dashedLineOn = fields_.dashedLineOn != 0;
  in.bladeUp = fields_.bladeUp != 0;
  return in;
}

int MainWindowModel::SendCutterCommand(int number) {
  return CutterCommand(number, run_, CommandInputs(), cutter_);
}

void MainWindowModel::OnCrease() {
  RunBlocking([this] { CreaseButton(run_, CommandInputs(), cutter_, clock_); });
}

void MainWindowModel::OnBlade() {
  RunBlocking([this] { BladeButton(run_, CommandInputs(), cutter_, clock_); });
}

void MainWindowModel::OnCycle() {
  if (engine_ != nullptr) {
    engine_->Cycle();
    return;
  }
  run_.cycleState = run_.cycleState <= 0 ? 1 : 0;
  run_.headCross = kParkCross;
  SendCutterCommand(kParkHead);
}

void MainWindowModel::OnDown() {
  jogDistance_ += kJogDownStep;
  cutter_.SendToCutter(kJogDownText);
  run_.statusStep = kJogDownStatusStep;
}

void MainWindowModel::OnUp() {
  SendCutterCommand(kFeedStop);
  jogging_ = false;
  run_.jogActive = false;
}

void MainWindowModel::OnWiden() {
  view_.ExtendWindowPast(kWidenButton, kWidenMarginPixels);
}

void MainWindowModel::OnJogPress(bool up) {
  if (engine_ != nullptr) {
    engine_->JogPress(up ? JogButton::kUp : JogButton::kDown);
    jogging_ = run_.jogActive;
    return;
  }
  if (up) {
    if (run_.mediaPosition <= kJogOriginLimitMm) {
      ShowMessage(kJogOriginMessage, MessageIcon::kNone);
      return;
    }
    SendCutterCommand(kFeedBackward);
  } else {
    SendCutterCommand(kFeedForward);
  }
  jogging_ = true;
  run_.statusStep = kJogStatusStep;
}

void MainWindowModel::OnJogRelease() {
  if (engine_ != nullptr) {
    engine_->JogRelease();
    jogging_ = run_.jogActive;
    return;
  }
  if (!jogging_) return;
  SendCutterCommand(kFeedStop);
  Enable(kCutTestButton, false);
  jogging_ = false;
  run_.statusStep = kJogEndStatusStep;
  run_.displayState = 1;
}

void MainWindowModel::OnMarkModeChanged() {
  int index = view_.ComboSelection(kMarkModeCombo);
  if (index < 0) return;
  fields_.markModeSelection = index;
  run_.markMode = index;
  fields_.withoutMarks = index > 0 ? 1 : 0;
}

void MainWindowModel::OnPassChanged() {
  int index = view_.ComboSelection(kPassCombo);
  if (index < 0) return;
  fields_.passSelection = index;
  run_.passes = index + 1;
}

void MainWindowModel::OnSpecialModeChanged() {
  SpecialModeChanged();
}

void MainWindowModel::SpecialModeChanged() {
  TakeFields();
  Enable(kStartButton, false);
  const int mode = fields_.specialSelection;
  run_.specialMode = mode;
  const bool fromOperator = run_.optionsOutcome == 0;
  if (mode == 0) {
    Enable(kSpecialCutEdit, true);
    Enable(kSpecialUpEdit, true);
    if (fromOperator) fields_.specialSpeed = kDashedSpecialSpeed;
  } else {
    Enable(kSpecialCutEdit, false);
    Enable(kSpecialUpEdit, false);
    if (fromOperator) fields_.specialSpeed = kOtherSpecialSpeed;
  }
  bool reload = false;
  if (mode >= 2 && mode <= 4) {
    Show(kFirstMarkerCrossEdit, true);
    Show(kFirstMarkerCrossLabel, true);
    for (int id : {kMultipleCombo, kMultipleLabel, kSpacingEdit, kSpacingLabel}) Enable(id, true);
  } else {
    Show(kFirstMarkerCrossEdit, false);
    Show(kFirstMarkerCrossLabel, false);
    Show(kCutterWidthEdit, true);
    Show(kCutterWidthLabel, true);
    for (int id : {kMultipleCombo, kMultipleLabel, kSpacingEdit, kSpacingLabel}) {
      Enable(id, false);
    }
    SelectCombo(kMultipleCombo, 0);
    if (run_.multiLineCount >= 2) {
      run_.multiLineCount = 1;
      // Inside a load the load under way is the reload; a reopen request left set would turn
      // the operator's next File Open into a silent reload.
      reload = !loading_;
    }
  }
  if (fromOperator && mode == 3) fields_.specialForce = kCreasingToolForce;
  if (fromOperator && mode == 2) fields_.specialForce = kBladeCreasingForce;
  if (mode == 1) {
    Enable(kSpecialCutEdit, false);
    Enable(kSpecialUpEdit, false);
  }
  ShowFields();
  if (reload) Reload();
}

void MainWindowModel::OnMultipleChanged() {
  TakeFields();
  Reload();
}

void MainWindowModel::OnForceEdited() {
  forceEdited_ = true;
}

void MainWindowModel::OnLengthEdited() {
  Enable(kStartButton, false);
}

void MainWindowModel::OnSpacingChanged() {
  const std::string text = view_.ControlText(kSpacingEdit);
  // The edit is empty between the operator's keystrokes; there is nothing to take yet.
  if (Blank(text)) return;
  std::optional<long> typed = ParseInteger(text);
  if (typed && *typed < 1) {
    // Below one the spacing becomes one at once, without the range message and without a
    // reload: one is the spacing the job already has or gets at its next reload.
    {
      ProgramChange guard(*this);
      view_.SetControlText(kSpacingEdit, "1");
    }
    TakeFields();
    fields_.spacing = 1;
    return;
  }
  if (!TakeFields()) return;
  if (fields_.spacing > 1) Reload();
}

void MainWindowModel::OnFieldLeft() {
  fieldsEdited_ = true;
}

void MainWindowModel::OnInitCutter() {
  view_.SetWaitCursor(true);
  RunBlocking([this] { InitCutter(run_, CommandInputs(), cutter_, clock_); });
  view_.SetWaitCursor(false);
}

void MainWindowModel::FinishJob() {
  if (engine_ != nullptr) {
    engine_->FinishJob();
    return;
  }
  orvex::FinishJob(run_, fields_, dialogPort_, workDir_, clock_);
}

// --- The run engine's ports ----------------------------------------------------------------------

void MainWindowModel::RunAppPort::TakeFields(RunFields& fields) {
  m_.TakeFields();
  const MainWindowFields& f = m_.fields_;
  SheetCutFields& sheet = fields.sheet;
  sheet.manualX = f.xCorrection;
  sheet.manualY = f.yCorrection;
  sheet.compensationL = f.compensationLeft;
  sheet.compensationR = f.compensationRight;
  sheet.compensationHeight = f.height;
  sheet.compensationWidth = f.width;
  sheet.firstMarkerCross = f.firstMarkerCross;
  sheet.specialForce = f.specialForce;
  sheet.withoutCropMarks = f.withoutMarks != 0;
  sheet.copiesEnabled = f.copiesEntered != 0;
  sheet.copies = f.copies;
  sheet.sheetCount = f.sheetCount;
  sheet.feedScaleShown = f.lastCutShown;
  fields.commands = m_.CommandInputs();
  fields.uplift = f.uplift;
  fields.insertion = f.insertion;
  fields.passSelection = f.passSelection;
  fields.specialSelection = f.specialSelection;
  fields.cutterWidthShown = f.cutterWidth;
}

void MainWindowModel::RunAppPort::ShowFields(const RunFields& fields) {
  // Only these change between the engine's take and its show.
  MainWindowFields& f = m_.fields_;
  f.sheetCount = fields.sheet.sheetCount;
  f.lastCutShown = fields.sheet.feedScaleShown;
  f.cutterWidth = fields.cutterWidthShown;
  f.xCorrection = fields.sheet.manualX;
  f.yCorrection = fields.sheet.manualY;
  m_.ShowFields();
}

void MainWindowModel::RunAppPort::ShowMessage(std::string_view text, std::string_view caption,
                                              MessageIcon icon) {
  m_.operatorMessages_.emplace_back(text);
  m_.view_.ShowMessage(text, caption.empty() ? m_.MessageCaptionText() : std::string(caption),
                       icon);
}

bool MainWindowModel::RunAppPort::AskYesNo(std::string_view text, std::string_view caption) {
  return m_.view_.AskYesNo(text, caption);
}

void MainWindowModel::RunAppPort::StoreRunSettings(RunFields& fields) {
  if (!m_.store_.WriteAtStart(m_.run_, m_.fields_)) {
    // The run goes on (the job is fine), but the operator must know the next start-up will not
    // find these settings.
    const std::string where = m_.profile_.WriteFailure();
    ShowMessage("The run's settings were not saved" + (where.empty() ? "" : " in " + where), "",
                MessageIcon::kError);
  }
  m_.recent_.Update(RecentEntryFor(m_.run_, m_.fields_));
  // The corrections went into the stored offsets; kept they would be added again next Start.
  if (m_.run_.markMode != 2) {
    m_.fields_.xCorrection = 0;
    m_.fields_.yCorrection = 0;
    fields.sheet.manualX = 0;
    fields.sheet.manualY = 0;
  }
}

void MainWindowModel::RunAppPort::StoreMarkSize(int pixelsPer4Mm) {
  m_.profile_.WriteInt(kProfileSection, key::kMpix, pixelsPer4Mm);
  m_.run_.markSize = pixelsPer4Mm;
  m_.run_.markScale = MarkScaleFor(pixelsPer4Mm);
}

void MainWindowModel::RunAppPort::LogFinishedRun(const RunFields& fields) {
  const int sheets = fields.sheet.sheetCount;
  if (sheets <= 0) return;
  const std::int64_t elapsed = m_.clock_.CalendarSeconds() - m_.run_.runStartTime;
  const int seconds = elapsed < 0 ? 0 : elapsed > INT32_MAX ? INT32_MAX : static_cast<int>(elapsed);
  m_.lastReportLine_ = FormatReportLine(m_.run_.currentJobPath, sheets, seconds);
  m_.lostRecord_ = AppendRunRecords(
      m_.workDir_, std::to_string(AngleValue(m_.run_.skewSum, sheets)) + "\n", m_.lastReportLine_);
  if (!m_.lostRecord_.empty()) ShowMessage(m_.lostRecord_, "", MessageIcon::kError);
}

void MainWindowModel::RunAppPort::ExitProcess(int code) {
  m_.exitCode_ = code;
  if (m_.exit_) m_.exit_(code);
}

void MainWindowModel::RunViewPort::SetControlIcon(int controlId, int iconId) {
  const int size = controlId == run_control::kStatusIcon ? 32 : 16;
  m_.SetIcon(controlId, "icon" + std::to_string(iconId), size);
}

void MainWindowModel::MarkActionsPort::SendFeederReportAndClose(std::string_view report,
                                                                int timeoutMs) {
  if (m_.feeder_ == nullptr) return;
  m_.feeder_->FeederSend(0, reinterpret_cast<const std::uint8_t*>(report.data()),
                         static_cast<int>(report.size()), timeoutMs);
  m_.feeder_->FeederClose(0);
}

int MainWindowModel::MarkActionsPort::SheetCount() {
  return m_.engine_ != nullptr ? m_.engine_->Fields().sheet.sheetCount : m_.fields_.sheetCount;
}

// --- The loader's port ---------------------------------------------------------------------------

bool MainWindowModel::LoaderPort::AskOpenFile(const std::vector<FileFilter>& filters,
                                              std::string& path) {
  return m_.view_.AskOpenFile(filters, path);
}

void MainWindowModel::LoaderPort::ShowMessage(const OperatorMessage& message) {
  std::string caption;
  switch (message.captionKind) {
    case MessageCaption::kGiven:
      caption = message.caption;
      break;
    case MessageCaption::kApplicationTitle:
      caption = m_.MessageCaptionText();
      break;
    case MessageCaption::kPlatformDefault:
      break;
  }
  m_.operatorMessages_.push_back(message.text);
  m_.view_.ShowMessage(message.text, caption, message.icon);
}

bool MainWindowModel::LoaderPort::ConfirmWarning(const OperatorMessage& message) {
  m_.operatorMessages_.push_back(message.text);
  return m_.view_.AskYesNo(message.text, m_.MessageCaptionText());
}

int MainWindowModel::LoaderPort::ComboSelection(int id) {
  int* member = m_.ComboMember(id);
  return member != nullptr ? *member : m_.view_.ComboSelection(id);
}

int MainWindowModel::LoaderPort::FieldValue(int id) {
  int* member = m_.IntMember(id);
  return member != nullptr ? *member : 0;
}

void MainWindowModel::LoaderPort::SetFieldValue(int id, int value) {
  if (int* member = m_.IntMember(id)) *member = value;
}

}  // namespace orvex
