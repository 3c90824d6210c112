// A whole station on the simulated machine: the twin's cutter, feeder and camera behind the
// same links a real machine has, and the main window's model with its run engine over them.
// `orvex --simulate` puts its window over it; tests drive it through the model. The twin's
// faults are acted out here, and every sheet's placement comes from the options.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/main_window_model.h"
#include "app/settings_store.h"
#include "core/frame_source.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "sim/sim_machine.h"
#include "sim/sim_transcript.h"
#include "sim/station_options.h"
#include "vision/calibration.h"
#include "vision/snapshot.h"

namespace orvex::sim {

class TwinCamera;

// What the window brings to the station.
struct StationWindow {
  MainWindowView& view;
  PreviewCanvas& canvas;
  PdfConverter& pdf;
  Profile& profile;
  // The second route for PostScript the parser misreads; null: the parser's reading stands.
  EpsConverter* eps = nullptr;
  // The clock the model waits on; null: the twin's own, whose waits take no real time.
  Clock* clock = nullptr;
  StillView* still = nullptr;    // the still pane, or null
  FrameSink* liveTap = nullptr;  // every frame the camera streams, or null
};

// A technician's calibration in the open calibration dialog: Cut Marker, the square read once
// the cutter is done, Set, the dialog's timer ticking on the twin's time meanwhile.
void OperateCalibration(SimClock& clock, CalibrationDialogModel& dialog);

class SimStation {
 public:
  SimStation(const StationOptions& options, const std::filesystem::path& workDir,
             bool recordTranscript = false);
  ~SimStation();
  SimStation(const SimStation&) = delete;
  SimStation& operator=(const SimStation&) = delete;

  // Makes the window's model over the twin (once). The caller initialises it.
  MainWindowModel& BuildWindow(const StationWindow& window);

  MainWindowModel& Model() { return *model_; }
  SettingsStore& Store() { return *store_; }
  RunContext& Run() { return run_; }
  SimMachine& Machine() { return machine_; }

  // The window's 120 ms timer, as an event of the twin's clock; the twin's faults are acted
  // out at each tick.
  void StartTimer();
  void StopTimer();
  // The cutter set up for the window's special-colour mode, as a Cut Test in that mode leaves it
  // (its special-colour set-up names the tool of the special condition).
  void SetUpSpecialTool();
  // Runs virtual time, one timer period at a time, until `done` holds or `limitMs` passed.
  bool RunUntil(const std::function<bool()>& done, std::int64_t limitMs);

  const std::string& TranscriptText() const { return transcript_.Text(); }
  AccuracyReport Accuracy() const { return machine_.Accuracy(); }

 private:
  // A job was loaded: the twin prints it on the sheets to come.
  void OnJobLoaded();
  // The sheets for edge mode around the loaded job, as the operator's settings ask for them.
  void CutEdgeSheets();
  void Tick();
  void ActOutFaults();

  StationOptions options_;
  std::filesystem::path workDir_;
  RunContext run_;
  SimMachine machine_;
  Transcript transcript_;
  RecordingCutter cutterTap_;
  RecordingFeeder feederTap_;
  CutterLink link_;
  FeederLink feeder_;
  WorkDir dir_;
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<TwinCamera> camera_;
  std::unique_ptr<MainWindowModel> model_;
  SimClock::EventId timer_ = 0;
  bool ticking_ = false;
  bool unplugArmed_ = false;
  std::int64_t unpluggedAt_ = -1;
};

}  // namespace orvex::sim
