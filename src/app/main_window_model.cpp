// The main-window model: its parts, the state of its controls, its messages and its life cycle
// (initialisation, the timer, the deferred set-up and the close request).
#include "app/main_window_model.h"

#include <stdexcept>

namespace orvex {
namespace {

using namespace window_id;

constexpr std::string_view kApplicationTitle = "Orvex";
constexpr std::string_view kAboutMenuItem = "&About Orvex...";

}  // namespace

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
  if (parts.feeder == nullptr || parts.vision == nullptr) {
    throw std::invalid_argument("the main window needs the feeder and the vision to run");
  }
  engine_ = std::make_unique<RunEngine>(
      run_, workDir_,
      RunPorts{cutter_, *parts.feeder, clock_, runAppPort_, runViewPort_, *parts.vision});
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
  // The engine counts down to the window's set-up and calls the refreshes after its work.
  engine_->OnTimer();
}

void MainWindowModel::OnFrameReady() {
  if (blockingDepth_ > 0) {
    framePending_ = true;
    return;
  }
  engine_->OnFrameReady();
}

void MainWindowModel::DeferredSetup() {
  StartCamera();
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
  if (closing) engine_->ReleaseSleep();
  return closing;
}

void MainWindowModel::SetSleepInhibitor(SleepInhibitor* inhibitor) {
  engine_->SetSleepInhibitor(inhibitor);
}

}  // namespace orvex
