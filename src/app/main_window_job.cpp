// Opening a job (File Open, the last job, a reload after a layout change) and the loader's port.
#include "app/main_window_model.h"

namespace orvex {

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
