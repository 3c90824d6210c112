// The jobs report's layout: a read-only table in report style whose column widths follow the
// window's font.
#include "gui/jobs_report_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/ui_text.h"

namespace orvex::gui {

namespace {

constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;
constexpr int kListId = 1045;
constexpr int kFillAgainButton = 1035;
constexpr int kTickMs = 120;
constexpr int kVisibleRows = 12;

// The model's column widths are pixels at the line height of the font the report was laid out
// for; a larger font (or a scaled screen) widens them in step.
constexpr double kReferenceLineHeight = 13.0;

QString FromModel(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

JobsReportWindow::JobsReportWindow(QWidget* parent, JobsReportDialog& model)
    : QDialog(parent), model_(model) {
  LayOut();
  tick_.setInterval(kTickMs);
  connect(&tick_, &QTimer::timeout, this, [this] { model_.OnTick(*this); });
  tick_.start();
}

void JobsReportWindow::LayOut() {
  setWindowTitle(tr("Orvex  Report"));

  list_ = new QTableWidget(0, 0, this);
  list_->verticalHeader()->hide();
  list_->setShowGrid(false);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setWordWrap(false);
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list_->horizontalHeader()->setHighlightSections(false);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
  table_.Add(kListId, list_);

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  cancel->hide();
  auto* fillAgain = new QPushButton(tr("Button1"), this);
  fillAgain->setAutoDefault(false);
  fillAgain->hide();
  table_.Add(kOkButton, ok);
  table_.Add(kCancelButton, cancel);
  table_.Add(kFillAgainButton, fillAgain);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(fillAgain, &QPushButton::clicked, this, [this] { model_.OnFillAgain(*this); });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(fillAgain);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);

  const int rows = list_->horizontalHeader()->sizeHint().height() +
                   kVisibleRows * list_->verticalHeader()->defaultSectionSize();
  list_->setMinimumHeight(rows + 2 * list_->frameWidth());
}

void JobsReportWindow::AddColumn(std::string_view title, int widthPixels) {
  const int column = list_->columnCount();
  list_->insertColumn(column);
  list_->setHorizontalHeaderItem(column, new QTableWidgetItem(TranslatedModelText(title)));
  const double scale = list_->fontMetrics().height() / kReferenceLineHeight;
  list_->setColumnWidth(column, static_cast<int>(widthPixels * std::max(1.0, scale) + 0.5));
  // The whole row stays in view without a horizontal scroll bar.
  int width = 2 * list_->frameWidth() + list_->verticalScrollBar()->sizeHint().width();
  for (int i = 0; i < list_->columnCount(); ++i) width += list_->columnWidth(i);
  list_->setMinimumWidth(width);
}

void JobsReportWindow::EnableGridLines() {
  list_->setShowGrid(true);
}

void JobsReportWindow::InsertRowAtTop(const std::vector<std::string>& cells) {
  list_->insertRow(0);
  const int columns = list_->columnCount();
  for (int column = 0; column < columns && column < static_cast<int>(cells.size()); ++column) {
    auto* item = new QTableWidgetItem(FromModel(cells[static_cast<std::size_t>(column)]));
    item->setToolTip(item->text());
    list_->setItem(0, column, item);
  }
}

void RunJobsReportWindow(QWidget* parent, JobsReportDialog& model) {
  JobsReportWindow window(parent, model);
  model.OnInit(window);
  window.exec();
}

}  // namespace orvex::gui
