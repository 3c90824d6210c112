// The tool and jog buttons, and the cutter commands they send with the window's settings.
#include "app/main_window_model.h"

namespace orvex {
namespace {

using namespace window_id;

constexpr std::string_view kJogOriginMessage = "Cannot move negative to the origin";
constexpr std::string_view kJogDownText = "O200.0,0.0\n";
constexpr double kJogDownStep = 2.0;
constexpr double kJogOriginLimitMm = 0.1;
constexpr int kJogStatusStep = 150;
constexpr int kJogEndStatusStep = 38;
constexpr int kJogDownStatusStep = 32;
constexpr int kParkCross = 110;
constexpr int kWidenMarginPixels = 25;

}  // namespace

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

void MainWindowModel::OnInitCutter() {
  view_.SetWaitCursor(true);
  RunBlocking([this] { InitCutter(run_, CommandInputs(), cutter_, clock_); });
  view_.SetWaitCursor(false);
}

}  // namespace orvex
