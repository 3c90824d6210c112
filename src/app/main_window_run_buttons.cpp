// The run buttons (Start, Pause, Cut Test) and the ports the run engine calls back into.
#include <cstdint>
#include <string>

#include "app/main_window_model.h"

namespace orvex {

using namespace window_id;

void MainWindowModel::OnStart() {
  engine_->Start();
}

void MainWindowModel::OnPause() {
  engine_->PauseResume();
}

void MainWindowModel::OnCutTest() {
  engine_->CutTest();
}

void MainWindowModel::FinishJob() {
  engine_->FinishJob();
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
  return m_.engine_->Fields().sheet.sheetCount;
}

}  // namespace orvex
