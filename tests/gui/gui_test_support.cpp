// The GUI tests' application object, modal answerer, missing-control check and control lookups.
#include "gui/gui_test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace orvex::gui::testing {

namespace {

constexpr int kPollMs = 5;
// About two seconds of a modal widget no step was left for.
constexpr int kStrayPolls = 400;
// About ten seconds of the widget a step ran on still up: long past any wait a step may start.
constexpr int kStuckPolls = 2000;

// gtest_main owns main(), so the application is made by a global environment registered while
// the program's statics are initialised.
class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
    QApplication::setApplicationDisplayName(QStringLiteral("Orvex"));
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "orvex_gui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kApplication =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

SeenModal Describe(QWidget* modal) {
  SeenModal seen{QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle(), {}};
  if (auto* box = qobject_cast<QMessageBox*>(modal)) seen.text = box->text();
  return seen;
}

void Dismiss(QWidget* modal) {
  if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    dialog->reject();
  } else {
    modal->close();
  }
}

QStringList* gWarnings = nullptr;
QtMessageHandler gPreviousHandler = nullptr;

void CollectWarning(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (gWarnings != nullptr && type != QtDebugMsg && type != QtInfoMsg) gWarnings->append(message);
  if (gPreviousHandler != nullptr) gPreviousHandler(type, context, message);
}

}  // namespace

QWidget* FindControl(const QWidget* window, int id) {
  if (window == nullptr) return nullptr;
  return window->findChild<QWidget*>(QStringLiteral("control%1").arg(id));
}

bool ClickControl(const QWidget* window, int id) {
  auto* button = FindControlAs<QAbstractButton>(window, id);
  if (button == nullptr) return false;
  button->click();
  return true;
}

bool TypeInto(const QWidget* window, int id, const QString& text) {
  auto* edit = FindControlAs<QLineEdit>(window, id);
  if (edit == nullptr) return false;
  edit->selectAll();
  edit->insert(text);
  return true;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  return QTest::qWaitFor(done, timeoutMs);
}

ModalAnswerer::ModalAnswerer() {
  poll_.setInterval(kPollMs);
  QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
  poll_.start();
}

ModalAnswerer::~ModalAnswerer() {
  poll_.stop();
  EXPECT_TRUE(unexpected_.empty())
      << "a modal widget no step was left for: " << unexpected_.front().className.toStdString()
      << " \"" << unexpected_.front().title.toStdString() << "\"";
}

ModalAnswerer& ModalAnswerer::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

void ModalAnswerer::Poll() {
  if (running_) return;
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr || !modal->isVisible()) {
    stray_ = nullptr;
    return;
  }
  // A widget still up long after its step, or one no step is left for, would hang the test.
  if (modal == last_.data() || steps_.empty()) {
    if (modal != stray_.data()) {
      stray_ = modal;
      strayPolls_ = 0;
    } else if (++strayPolls_ >= (modal == last_.data() ? kStuckPolls : kStrayPolls)) {
      unexpected_.push_back(Describe(modal));
      stray_ = nullptr;
      Dismiss(modal);
    }
    return;
  }
  last_ = modal;
  seen_.push_back(Describe(modal));
  Step step = std::move(steps_.front());
  steps_.pop_front();
  // Run from the event loop, outside this timer's own slot: Qt does not fire a timer again
  // while its slot runs, and the step may open a modal loop that needs the next answer.
  running_ = true;
  QPointer<QWidget> target = modal;
  QMetaObject::invokeMethod(
      &poll_,
      [this, target, step = std::move(step)] {
        running_ = false;
        if (target) step(target.data());
        // A dialog the step closed may be shown again (a window reused for its next
        // opening); that opening is a new modal widget to answer.
        if (!target || !target->isVisible()) last_ = nullptr;
      },
      Qt::QueuedConnection);
}

QStringList ModalAnswerer::Shown() const {
  QStringList shown;
  for (const SeenModal& seen : seen_) shown << (seen.text.isEmpty() ? seen.title : seen.text);
  return shown;
}

ModalAnswerer::Step ModalAnswerer::Accept() {
  return [](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      QAbstractButton* button = box->button(QMessageBox::Ok);
      if (button == nullptr) button = box->button(QMessageBox::Yes);
      if (button != nullptr) {
        button->click();
        return;
      }
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->accept();
  };
}

ModalAnswerer::Step ModalAnswerer::Reject() {
  return [](QWidget* modal) { Dismiss(modal); };
}

ModalAnswerer::Step ModalAnswerer::ChooseFile(const QString& path) {
  return [path](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr) << "expected a file dialog, got "
                               << Describe(modal).className.toStdString();
    dialog->selectFile(path);
    // selectFile leaves the name field alone while it has the focus, as it has in a shown
    // dialog; the operator's typing is what the dialog reads.
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
      name->setText(path);
    }
    // QFileDialog's own accept() checks the choice as the Open button does; it is reached
    // through QDialog's public one.
    static_cast<QDialog*>(dialog)->accept();
  };
}

ModalAnswerer::Step ModalAnswerer::Click(int id) {
  return [id](QWidget* modal) {
    EXPECT_TRUE(ClickControl(modal, id))
        << "no button " << id << " in " << Describe(modal).className.toStdString();
  };
}

MissingControlCheck::MissingControlCheck() {
  gWarnings = new QStringList;
  gPreviousHandler = qInstallMessageHandler(CollectWarning);
}

MissingControlCheck::~MissingControlCheck() {
  qInstallMessageHandler(gPreviousHandler);
  gPreviousHandler = nullptr;
  for (const QString& warning : gWarnings->filter(QStringLiteral("has no control"))) {
    ADD_FAILURE() << warning.toStdString();
  }
  delete gWarnings;
  gWarnings = nullptr;
}

}  // namespace orvex::gui::testing
