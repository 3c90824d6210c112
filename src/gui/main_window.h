// The operator's main window: the passive Qt surface of MainWindowModel. It lays the controls out
// once, keeps one table from control id to widget, hands every operator action to the model as
// the notification the model routes, and shows whatever the model tells it. Nothing here decides
// what a control does.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/main_window_model.h"
#include "app/main_window_view.h"
#include "core/frame_source.h"
#include "gui/control_table.h"
#include "platform/qimage_preview_canvas.h"

class QAction;
class QLabel;

namespace orvex::gui {

class CalibrationWindow;
class CameraPane;
class LiveFeed;
class PreviewPane;
class SpinButtons;

class MainWindow : public QMainWindow, public MainWindowView {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // The model this window is the view of; set once, before the model's Initialise.
  void Attach(MainWindowModel& model);
  // What the Help menu's about item opens (the service settings dialog).
  void SetAboutHandler(std::function<void()> about) { about_ = std::move(about); }
  // The next File Open is answered with `path` instead of the file dialog (a job named on the
  // command line, opened as if the operator had chosen it).
  void SetNextOpenAnswer(std::string path) { nextOpenAnswer_ = std::move(path); }
  // The window's 120 ms timer calling the model's tick, for a real machine. On the simulated
  // machine the twin's clock ticks the model instead, so both keep one time.
  void StartModelTimer();
  // A note the status line carries while the run now starting goes, and drops when it ends (the
  // PC's sleep could not be held off, and why).
  void ShowRunNote(const QString& note) { runNote_ = note; }

  QImagePreviewCanvas& Canvas() { return canvas_; }
  CameraPane& LivePane() { return *live_; }
  CameraPane& StillPane() { return *still_; }
  FrameSink& LiveFrames();
  const ControlTable& Controls() const { return table_; }

  // --- MainWindowView ---
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
  void ShowRangeMessage(int controlId, int minimum, int maximum) override;
  void SetWindowCaption(std::string_view text) override;
  void SetControlText(int controlId, std::string_view text) override;
  void ShowControl(int controlId, bool shown) override;
  void EnableControl(int controlId, bool enabled) override;
  std::string ControlText(int controlId) override;
  bool IsChecked(int controlId) override;
  void SetChecked(int controlId, bool checked) override;
  void SetControlIcon(int controlId, std::string_view iconName, int sizePixels) override;
  void SetComboEntries(int comboId, const std::vector<std::string>& entries) override;
  int ComboSelection(int comboId) override;
  void SetComboSelection(int comboId, int index) override;
  void SetSystemMenuItemText(std::string_view text) override;
  void ExtendWindowPast(int controlId, int marginPixels) override;
  void SetWaitCursor(bool waiting) override;
  void SetSpinRange(int spinId, int minimum, int maximum) override;
  void ShowNumberMessage(int controlId, bool integer) override;
  bool AskYesNo(std::string_view text, std::string_view caption) override;
  bool AskOpenFile(const std::vector<FileFilter>& filters, std::string& path) override;
  void ShowSplash(std::string_view versionText) override;
  bool RunOptionsDialog(OptionsDialog& dialog) override;
  CalibrationView& CalibrationDialogView() override;
  bool RunCalibrationDialog(CalibrationDialogModel& dialog) override;
  void RepaintAll() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Builds every control, registers it in the table and lays the window out (main_window_layout).
  void LayOut();
  void ConnectNotifications();
  void RefreshStatusLine();
  void UpdateTitle();
  void Notify(int controlId, Notification notification);

  ControlTable table_;
  QImagePreviewCanvas canvas_;
  MainWindowModel* model_ = nullptr;
  CameraPane* live_ = nullptr;
  CameraPane* still_ = nullptr;
  PreviewPane* preview_ = nullptr;
  QLabel* jogUp_ = nullptr;
  QLabel* jogDown_ = nullptr;
  QLabel* statusLine_ = nullptr;
  QAction* aboutAction_ = nullptr;
  std::map<int, SpinButtons*> spins_;
  std::unique_ptr<LiveFeed> liveFeed_;
  std::unique_ptr<CalibrationWindow> calibration_;
  std::function<void()> about_;
  std::optional<std::string> nextOpenAnswer_;
  QTimer modelTimer_;
  QTimer statusTimer_;
  QTimer closeRetry_;
  int waitCursors_ = 0;
  QString caption_;
  QString runNote_;
  bool runNoteShown_ = false;
};

}  // namespace orvex::gui
