// What every window test needs: one QApplication for the whole test program (on the offscreen
// platform unless QT_QPA_PLATFORM says otherwise), a ModalAnswerer that answers the modal
// dialogs a test opens with scripted actions, a check that the models named no control their
// window lacks, and lookups of a window's controls by the ids the models use.
#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <vector>

namespace orvex::gui::testing {

// The control registered under `id` in `window`'s control table (found by the object name the
// table gives it), or nullptr.
QWidget* FindControl(const QWidget* window, int id);
template <typename Widget>
Widget* FindControlAs(const QWidget* window, int id) {
  return qobject_cast<Widget*>(FindControl(window, id));
}
// Clicks the button `id`; false when the window has no such button.
bool ClickControl(const QWidget* window, int id);
// Types `text` over the edit `id`, as an operator who selected its text would.
bool TypeInto(const QWidget* window, int id, const QString& text);
// Runs the event loop until `done` holds or `timeoutMs` passed; the result of `done`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 3000);

// What a modal widget showed when it was answered.
struct SeenModal {
  QString className;
  QString title;
  QString text;  // a message box's text; empty for other dialogs
};

// Answers modal widgets with scripted steps, one step per modal widget, in order. A step runs
// on the modal widget that is active once the widget the previous step ran on is no longer
// the active one (so a dialog, then its message box, then the dialog again are three steps).
// Steps run from the event loop, never from within another step, so a step may open a nested
// modal loop of its own. A modal widget that no step is left for is rejected after a while and
// recorded as unexpected, so a test fails instead of hanging; so is a widget that stays up
// long after its step ran.
class ModalAnswerer {
 public:
  using Step = std::function<void(QWidget* modal)>;

  ModalAnswerer();
  ~ModalAnswerer();
  ModalAnswerer(const ModalAnswerer&) = delete;
  ModalAnswerer& operator=(const ModalAnswerer&) = delete;

  ModalAnswerer& Then(Step step);

  // Ready-made steps. Accept: a message box's OK (or Yes), any other dialog's accept().
  static Step Accept();
  static Step Reject();
  // Picks `path` in a QFileDialog and accepts it.
  static Step ChooseFile(const QString& path);
  static Step Click(int id);

  // What each answered modal widget showed, in order: a message box's text, another widget's
  // title.
  QStringList Shown() const;

 private:
  void Poll();

  QTimer poll_;
  std::deque<Step> steps_;
  QPointer<QWidget> last_;
  bool running_ = false;
  QPointer<QWidget> stray_;
  int strayPolls_ = 0;
  std::vector<SeenModal> seen_;
  std::vector<SeenModal> unexpected_;
};

// While it lives it watches what Qt and the windows log; when it ends, the test fails for every
// control a model named that its window lacks (the control table logs each).
class MissingControlCheck {
 public:
  MissingControlCheck();
  ~MissingControlCheck();
  MissingControlCheck(const MissingControlCheck&) = delete;
  MissingControlCheck& operator=(const MissingControlCheck&) = delete;
};

}  // namespace orvex::gui::testing
