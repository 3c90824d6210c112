// The main window as a model: every bound member with its range, the state of every control
// (enabled, shown, caption, icon, combo entries and selection), the command table, the window's
// life cycle (initialisation order, the 120 ms timer, the deferred set-up, the close request),
// and the ports the import, the run and the vision code call back into. The Qt window is a
// passive MainWindowView; nothing here touches a widget directly.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/cut_setting_file.h"
#include "app/dialog_view.h"
#include "app/jobs_report.h"
#include "app/main_window_fields.h"
#include "app/main_window_view.h"
#include "app/recent_jobs.h"
#include "app/settings_store.h"
#include "app/startup.h"
#include "core/clock.h"
#include "core/pdf_converter.h"
#include "core/run_context.h"
#include "core/work_dir.h"
#include "devices/cutter_link.h"
#include "import/job_loader.h"
#include "import/loader_view.h"
#include "run/cutter_command.h"
#include "run/run_engine.h"
#include "run/run_events.h"
#include "run/run_ports.h"
#include "vision/mark_search_actions.h"

namespace orvex {

// Control ids of the main window beyond those in main_window_fields.h.
namespace window_id {
inline constexpr int kXCorrectionEdit = 1021;
inline constexpr int kXCorrectionSpin = 1022;
inline constexpr int kYCorrectionEdit = 1019;
inline constexpr int kYCorrectionSpin = 1020;
inline constexpr int kCountEdit = 1027;
inline constexpr int kCutForceEdit = 1032;
inline constexpr int kCutForceSpin = 1033;
inline constexpr int kWithoutMarksCheck = 1048;
inline constexpr int kCopiesEdit = 1050;
inline constexpr int kCopiesCheck = 1049;
inline constexpr int kAutoExposureCheck = 1051;
inline constexpr int kHeightEdit = 1056;
inline constexpr int kHeightSpin = 1057;
inline constexpr int kInsertionEdit = 1058;
inline constexpr int kCompensationLeftEdit = 1059;
inline constexpr int kCompensationLeftSpin = 1061;
inline constexpr int kCompensationRightEdit = 1062;
inline constexpr int kCompensationRightSpin = 1063;
inline constexpr int kUpliftEdit = 1068;
inline constexpr int kDashUpEdit = 1066;
inline constexpr int kDashCutEdit = 1065;
inline constexpr int kDashEnableCheck = 1069;
inline constexpr int kFirstMarkerEdit = 1080;
inline constexpr int kCutterWidthEdit = 1028;
inline constexpr int kCutterWidthLabel = 1123;
inline constexpr int kDLiftCheck = 1092;
inline constexpr int kBladeUpCheck = 1095;
inline constexpr int kWidthEdit = 1098;
inline constexpr int kWidthSpin = 1122;
inline constexpr int kLastCutEdit = 1099;
inline constexpr int kSpecialCutEdit = 1067;
inline constexpr int kSpecialUpEdit = 1071;
inline constexpr int kSpecialForceEdit = 1034;
inline constexpr int kSpecialSpeedEdit = 1073;
inline constexpr int kDashForceEdit = 1040;
inline constexpr int kFirstMarkerCrossEdit = 1102;
inline constexpr int kFirstMarkerCrossLabel = 1106;
inline constexpr int kSpacingEdit = 1044;
inline constexpr int kSpacingLabel = 1107;
inline constexpr int kMultipleLabel = 1105;
inline constexpr int kDashSpeedEdit = 1070;
inline constexpr int kCutTestButton = 1013;
inline constexpr int kFileOpenButton = 1025;
inline constexpr int kOpenLastJobButton = 1035;
inline constexpr int kCameraTestButton = 1012;
inline constexpr int kMoreOptionsButton = 1116;
inline constexpr int kBrighterButton = 1041;
inline constexpr int kDarkerButton = 1042;
inline constexpr int kDownButton = 1037;
inline constexpr int kUpButton = 1038;
inline constexpr int kWidenButton = 1064;
inline constexpr int kStatusIcon = 1039;
inline constexpr int kSpecialColorGroup = 1104;
}  // namespace window_id

inline constexpr int kTimerId = 10;
inline constexpr int kTimerPeriodMs = 120;
inline constexpr int kForceCapWithCutter = 38;
inline constexpr int kForceCapWithoutCutter = 31;
inline constexpr int kStartExposure = -9;
// Its presence in the working directory stands for the camera test library loading.
inline constexpr std::string_view kCameraTestLibrary = "stillcap.dll";

// The spin controls and the limits initialisation gives them.
struct SpinRange {
  int spinId;
  int minimum;
  int maximum;
};
const std::vector<SpinRange>& SpinRanges();

enum class Notification { kClicked, kSelectionChanged, kTextChanged, kFocusLost };

// What a bound control holds and the range the transfer checks when it is taken.
enum class FieldKind { kInt, kReal, kCheck };
struct BoundControl {
  int id;
  FieldKind kind;
  std::optional<int> minimum;
  std::optional<int> maximum;
};
const std::vector<BoundControl>& BoundControls();

struct ControlState {
  bool enabled = true;
  bool shown = true;
  std::string caption;
  std::string icon;
};

// Everything the model works with; the application object owns them.
struct MainWindowParts {
  RunContext& run;
  MainWindowView& view;
  SettingsStore& store;
  Profile& profile;
  const WorkDir& workDir;
  Clock& clock;
  CutterLink& cutter;
  PreviewCanvas& canvas;
  PdfConverter& pdf;
  CameraPictureControl* camera = nullptr;
  CameraGraphControl* cameraGraph = nullptr;
  // Both required: the model owns the run engine over them.
  FeederLink* feeder = nullptr;
  RunVision* vision = nullptr;
  // The second route for EPS the parser cannot read true to size; without it such a file loads
  // as the parser read it, with a warning.
  EpsConverter* eps = nullptr;
};

class MainWindowModel {
 public:
  explicit MainWindowModel(MainWindowParts parts);
  MainWindowModel(const MainWindowModel&) = delete;
  MainWindowModel& operator=(const MainWindowModel&) = delete;

  // What ends the process when the window was closed during a sheet's registration.
  void SetExitHandler(std::function<void(int)> exit) { exit_ = std::move(exit); }
  // Told when a load ended with a job the run can use (the simulated machine prints it).
  void SetJobLoadedHandler(std::function<void()> loaded) { jobLoadedHandler_ = std::move(loaded); }
  // What keeps the PC awake while a run goes (the run engine holds it from Start to the run's
  // end, and lets it go when the window closes); null, or a window without a run: nothing held.
  void SetSleepInhibitor(SleepInhibitor* inhibitor);

  // --- Life cycle -----------------------------------------------------------------------------
  void Initialise();
  // The 120 ms timer. A tick that arrives while a blocking sequence runs is kept for its end.
  void OnTimer();
  // A frame is ready for analysis; deferred the same way.
  void OnFrameReady();
  // True when the window may close now.
  bool OnCloseRequest();

  // --- The command table ----------------------------------------------------------------------
  // Routes a control's notification as the window's table does. Notifications that arrive while
  // the model itself is writing to the controls are the program's own changes and are ignored.
  void OnCommand(int controlId, Notification notification);

  void OnStart();
  void OnPause();
  void OnCutTest();
  void OnFileOpen();
  void OnOpenLastJob();
  void OnMoreOptions();
  // "Calibration" (1046): the dialog over the active offsets; Set stores what it chose.
  void OnCalibration();
  // "&Test" (1012, hidden): the second camera, when the camera test library is installed.
  void OnCameraTest();
  void OnBrighter();
  void OnDarker();
  void OnAutoExposure();
  void OnEnterCopies();
  void OnWithoutMarks();
  void OnDashedLine();
  void OnCrease();
  void OnBlade();
  void OnCycle();
  void OnDown();
  void OnUp();
  void OnWiden();
  void OnJogPress(bool up);
  void OnJogRelease();
  void OnMarkModeChanged();
  void OnPassChanged();
  void OnSpecialModeChanged();
  void OnMultipleChanged();
  void OnForceEdited();
  void OnLengthEdited();
  void OnSpacingChanged();
  void OnFieldLeft();
  // The service dialog's "Init Cutter"; the dialog stays open.
  void OnInitCutter();

  // --- Field transfer -------------------------------------------------------------------------
  // Takes every bound control into its member; a value out of range (or not a number) keeps the
  // member, shows the toolkit's message for the first such control and gives false.
  bool TakeFields();
  // Shows every member in its control, without running the operator's handlers.
  void ShowFields();

  // --- Control state --------------------------------------------------------------------------
  void Enable(int controlId, bool enabled);
  void Show(int controlId, bool shown);
  void SetCaption(int controlId, std::string_view text);
  void SetIcon(int controlId, std::string_view icon, int sizePixels);
  void SelectCombo(int comboId, int index);
  void AddComboEntry(int comboId, std::string_view text);
  const ControlState& State(int controlId);
  const std::vector<std::string>& ComboEntries(int comboId) { return combos_[comboId]; }

  // --- Read access ----------------------------------------------------------------------------
  MainWindowFields& Fields() { return fields_; }
  RunContext& Run() { return run_; }
  JobLoader& Loader() { return loader_; }
  RunEngine* Engine() { return engine_.get(); }
  // The last line the jobs report received from this window, line end included.
  const std::string& LastReportLine() const { return lastReportLine_; }
  // Why the last run's jobs-report or angle-log line was not written; empty when both were.
  const std::string& LostRecord() const { return lostRecord_; }
  std::optional<int> ExitCode() const { return exitCode_; }
  RecentJobsFile& Recent() { return recent_; }
  bool JobLoaded() const { return jobLoaded_; }
  int Ticks() const { return ticks_; }
  double JogDistance() const { return jogDistance_; }
  int ExposureValue() const { return exposure_; }
  bool Jogging() const { return jogging_; }
  // Every operator message shown since start-up, in order.
  const std::vector<std::string>& OperatorMessages() const { return operatorMessages_; }
  CutterCommandInputs CommandInputs() const;
  // The caption message boxes get: the custom title when branding gave one.
  std::string MessageCaptionText() const;

  // Ports for the layers around the window.
  LoaderView& AsLoaderView() { return loaderPort_; }
  DialogView& AsDialogView() { return dialogPort_; }
  RunEvents& AsRunEvents() { return runEventsPort_; }
  MarkSearchActions& AsMarkSearchActions() { return markActionsPort_; }
  // Where the frame handler delivers a calibration read: the dialog, once it has been opened.
  CalibrationReadSink* CalibrationSink() { return calibration_.get(); }
  RunApplication& AsRunApplication() { return runAppPort_; }
  RunView& AsRunView() { return runViewPort_; }

  // Runs `sequence` as one blocking sequence: ticks and frame notices that arrive meanwhile
  // run once, after it.
  void RunBlocking(const std::function<void()>& sequence);
  bool InBlockingSequence() const { return blockingDepth_ > 0 || engine_->Busy(); }

  // Sends the numbered cutter command with the window's current settings.
  int SendCutterCommand(int number);
  void FinishJob();
  void ShowMessage(std::string_view text, MessageIcon icon);

 private:
  class LoaderPort;
  class DialogPort;
  class RunEventsPort;
  class MarkActionsPort;
  class CommandsPort;

  class LoaderPort : public LoaderView {
   public:
    explicit LoaderPort(MainWindowModel& m) : m_(m) {}
    bool AskOpenFile(const std::vector<FileFilter>& filters, std::string& path) override;
    void ShowMessage(const OperatorMessage& message) override;
    bool ConfirmWarning(const OperatorMessage& message) override;
    void SetControlText(int id, std::string_view text) override { m_.SetCaption(id, text); }
    void EnableControl(int id, bool enabled) override { m_.Enable(id, enabled); }
    int ComboSelection(int id) override;
    void SetComboSelection(int id, int index) override { m_.SelectCombo(id, index); }
    int FieldValue(int id) override;
    void SetFieldValue(int id, int value) override;
    void MembersToControls() override { m_.ShowFields(); }
    void RefreshStatusDisplay() override { m_.engine_->StatusDisplay(); }
    void SpecialModeChangedDuringLoad() override { m_.SpecialModeChanged(); }
    void RepaintAll() override { m_.view_.RepaintAll(); }

   private:
    MainWindowModel& m_;
  };

  class DialogPort : public DialogView {
   public:
    explicit DialogPort(MainWindowModel& m) : m_(m) {}
    void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
      m_.view_.ShowMessage(text, caption, icon);
    }
    void ShowRangeMessage(int controlId, int minimum, int maximum) override {
      m_.view_.ShowRangeMessage(controlId, minimum, maximum);
    }
    void SetWindowCaption(std::string_view text) override { m_.view_.SetWindowCaption(text); }
    void SetControlText(int controlId, std::string_view text) override {
      m_.SetCaption(controlId, text);
    }
    void ShowControl(int controlId, bool shown) override { m_.Show(controlId, shown); }
    void EnableControl(int controlId, bool enabled) override { m_.Enable(controlId, enabled); }
    bool TakeFields(MainWindowFields& fields) override;
    void ShowFields(const MainWindowFields& fields) override;
    void AddComboEntry(int comboId, std::string_view text) override {
      m_.AddComboEntry(comboId, text);
    }
    void SetSystemMenuItemText(std::string_view text) override {
      m_.view_.SetSystemMenuItemText(text);
    }
    void ShowSplash(std::string_view versionText) override { m_.view_.ShowSplash(versionText); }
    bool RunOptionsDialog(OptionsDialog& dialog) override {
      return m_.view_.RunOptionsDialog(dialog);
    }

   private:
    MainWindowModel& m_;
  };

  class RunEventsPort : public RunEvents {
   public:
    explicit RunEventsPort(MainWindowModel& m) : m_(m) {}
    void ShowMessage(std::string_view text, MessageIcon icon) override {
      m_.ShowMessage(text, icon);
    }
    void FinishJob() override { m_.FinishJob(); }

   private:
    MainWindowModel& m_;
  };

  class MarkActionsPort : public MarkSearchActions {
   public:
    explicit MarkActionsPort(MainWindowModel& m) : m_(m) {}
    void SendFeederReportAndClose(std::string_view report, int timeoutMs) override;
    void ShowInformation(std::string_view message) override {
      m_.ShowMessage(message, MessageIcon::kInformation);
    }
    void SendCutterCommand(int number) override { m_.SendCutterCommand(number); }
    int SheetCount() override;
    void FinishJob() override { m_.FinishJob(); }

   private:
    MainWindowModel& m_;
  };

  class CommandsPort : public MainWindowCommands {
   public:
    explicit CommandsPort(MainWindowModel& m) : m_(m) {}
    void ReloadJob() override { m_.Reload(); }
    void DashedLineModeChanged() override { m_.DashedLineMode(); }
    void SpecialModeSelected() override { m_.SpecialModeChanged(); }

   private:
    MainWindowModel& m_;
  };

  class RunAppPort : public RunApplication {
   public:
    explicit RunAppPort(MainWindowModel& m) : m_(m) {}
    bool JobLoaded() override { return m_.jobLoaded_; }
    bool OpenHasBeenUsed() override { return m_.openUsed_; }
    void TakeFields(RunFields& fields) override;
    void ShowFields(const RunFields& fields) override;
    void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;
    void StoreRunSettings(RunFields& fields) override;
    void ReloadCameraOffsets() override { m_.store_.LoadOffsetsForCutTest(m_.run_); }
    void StoreMarkSize(int pixelsPer4Mm) override;
    void LogFinishedRun(const RunFields& fields) override;
    void WindowSetUp() override { m_.DeferredSetup(); }
    void TimerRefresh() override { m_.TimerRefreshes(); }
    void ExitProcess(int code) override;

   private:
    MainWindowModel& m_;
  };

  class RunViewPort : public RunView {
   public:
    explicit RunViewPort(MainWindowModel& m) : m_(m) {}
    void SetControlText(int controlId, std::string_view text) override {
      m_.SetCaption(controlId, text);
    }
    void EnableControl(int controlId, bool enabled) override { m_.Enable(controlId, enabled); }
    void SetControlIcon(int controlId, int iconId) override;

   private:
    MainWindowModel& m_;
  };

  class CalibrationPort : public CalibrationCommands {
   public:
    explicit CalibrationPort(MainWindowModel& m) : m_(m) {}
    void SendCutterCommand(int number) override { m_.SendCutterCommand(number); }
    void StartCalibrationRead() override;

   private:
    MainWindowModel& m_;
  };

  // RAII: the model is writing to the controls; the view's change notices are its own.
  struct ProgramChange {
    explicit ProgramChange(MainWindowModel& m) : m_(m) { ++m_.programChange_; }
    ~ProgramChange() { --m_.programChange_; }
    ProgramChange(const ProgramChange&) = delete;
    ProgramChange& operator=(const ProgramChange&) = delete;
    MainWindowModel& m_;
  };

  void SpecialModeChanged();
  void DashedLineMode();
  void Load(bool lastJob);
  void Reload();
  void TimerRefreshes();
  void CapForces();
  void DeferredSetup();
  // Reads the camera's exposure and starts it at the lowest manual brightness.
  void StartCamera();
  int* IntMember(int id);
  double* RealMember(int id);
  int* ComboMember(int id);
  void SetupCombos();
  void SetupIcons();

  RunContext& run_;
  MainWindowView& view_;
  SettingsStore& store_;
  Profile& profile_;
  const WorkDir& workDir_;
  Clock& clock_;
  CutterLink& cutter_;
  PdfConverter& pdf_;
  CameraPictureControl* camera_;
  CameraGraphControl* cameraGraph_ = nullptr;

  MainWindowFields fields_;
  LoaderPort loaderPort_{*this};
  DialogPort dialogPort_{*this};
  RunEventsPort runEventsPort_{*this};
  MarkActionsPort markActionsPort_{*this};
  CommandsPort commandsPort_{*this};
  RunAppPort runAppPort_{*this};
  RunViewPort runViewPort_{*this};
  CalibrationPort calibrationPort_{*this};
  std::unique_ptr<CalibrationDialogModel> calibration_;  // kept: its new values outlive a close
  RunVision* vision_ = nullptr;
  Startup startup_;
  RecentJobsFile recent_;
  JobLoader loader_;
  std::unique_ptr<RunEngine> engine_;
  std::function<void(int)> exit_;
  std::function<void()> jobLoadedHandler_;
  std::optional<int> exitCode_;
  std::string lastReportLine_;
  std::string lostRecord_;
  bool openUsed_ = false;
  FeederLink* feeder_ = nullptr;

  std::map<int, ControlState> controls_;
  std::map<int, std::vector<std::string>> combos_;
  int programChange_ = 0;
  int blockingDepth_ = 0;
  bool tickPending_ = false;
  bool framePending_ = false;
  bool loading_ = false;
  bool jobLoaded_ = false;
  bool fieldsEdited_ = false;
  bool forceEdited_ = false;
  int ticks_ = 0;
  int exposure_ = kStartExposure;
  double jogDistance_ = 0.01;
  bool jogging_ = false;
  std::vector<std::string> operatorMessages_;
};

}  // namespace orvex
