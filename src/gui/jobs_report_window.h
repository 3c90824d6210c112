// The jobs report dialog: the list of finished runs, newest first, as the passive view of
// JobsReportDialog. The dialog's own 120 ms timer drives the model, which fills the list once.
#pragma once

#include <QDialog>
#include <QTimer>

#include "app/dialog_view.h"
#include "app/jobs_report.h"
#include "gui/control_table.h"

class QTableWidget;

namespace orvex::gui {

class JobsReportWindow : public QDialog, public JobsReportView {
  Q_OBJECT

 public:
  JobsReportWindow(QWidget* parent, JobsReportDialog& model);

  // --- JobsReportView ---
  void AddColumn(std::string_view title, int widthPixels) override;
  void EnableGridLines() override;
  void InsertRowAtTop(const std::vector<std::string>& cells) override;

 private:
  void LayOut();

  JobsReportDialog& model_;
  ControlTable table_;
  QTableWidget* list_ = nullptr;
  QTimer tick_;
};

// Runs the jobs report modally over `model` (its OnInit first).
void RunJobsReportWindow(QWidget* parent, JobsReportDialog& model);

}  // namespace orvex::gui
