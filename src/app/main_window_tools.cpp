// The tool and jog buttons, and the cutter commands they send with the window's settings.
#include "app/main_window_model.h"

namespace orvex {
namespace {

using namespace window_id;

constexpr std::string_view kJogDownText = "O200.0,0.0\n";
constexpr double kJogDownStep = 2.0;
constexpr int kJogDownStatusStep = 32;
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
  engine_->Cycle();
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
  engine_->JogPress(up ? JogButton::kUp : JogButton::kDown);
  jogging_ = run_.jogActive;
}

void MainWindowModel::OnJogRelease() {
  engine_->JogRelease();
  jogging_ = run_.jogActive;
}

void MainWindowModel::OnInitCutter() {
  view_.SetWaitCursor(true);
  RunBlocking([this] { InitCutter(run_, CommandInputs(), cutter_, clock_); });
  view_.SetWaitCursor(false);
}

}  // namespace orvex
