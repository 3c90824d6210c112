// The main window's model on the twin: the model owns the run engine, its timer and the camera's
// frame notices are events of the twin's virtual clock, frames come from the twin's camera
// through the frame buffer and the real frame handler, and the window is the in-memory fake.
// Tests press the window's buttons and let virtual time run.
#pragma once

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/fake_main_window_view.h"
#include "app/main_window_model.h"
#include "app/settings_store.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "sim/sim_machine.h"
#include "sim/twin_camera.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"

namespace orvex::sim {

class NoPdf : public PdfConverter {
 public:
  bool Available() override { return false; }
  PdfConversion Convert(const std::string&, const std::string&) override { return {}; }
};

// A base of its own, so a directory exists before the station that works in it.
struct OwnWorkDir {
  test::TempDir temp;
};

class ModelStation {
 public:
  explicit ModelStation(const std::filesystem::path& workDir)
      : link(machine.Cutter(), run),
        feeder(machine.Feeder()),
        store(profile),
        dir(workDir),
        vision(machine.Camera(), run, workDir, nullptr, nullptr) {
    MainWindowParts parts{run, view, store, profile, dir, machine.Clock(), link, canvas, pdf};
    parts.feeder = &feeder;
    parts.vision = &vision;
    model = std::make_unique<MainWindowModel>(parts);
    view.model = model.get();
    model->Initialise();
    vision.Attach(*model);
  }
  ModelStation(const ModelStation&) = delete;
  ModelStation& operator=(const ModelStation&) = delete;

  // The window's 120 ms timer.
  void StartTimer() {
    Every(kTimerPeriodMs, [this] { model->OnTimer(); });
  }

  // A repeating event; the returned id always names its next occurrence.
  std::shared_ptr<SimClock::EventId> Every(int periodMs, std::function<void()> action) {
    auto repeat = std::make_shared<std::function<void()>>();
    auto id = std::make_shared<SimClock::EventId>(0);
    // The event holds the function only weakly: a function owning itself would never be freed.
    std::weak_ptr<std::function<void()>> weak = repeat;
    *repeat = [this, periodMs, action, weak, id] {
      action();
      if (auto self = weak.lock()) *id = machine.Clock().ScheduleAfter(periodMs, *self);
    };
    repeaters_.push_back(repeat);
    *id = machine.Clock().ScheduleAfter(periodMs, *repeat);
    return id;
  }

  // Runs virtual time, one timer period at a time, until `done` holds or `limitMs` passed.
  bool RunUntil(const std::function<bool()>& done, std::int64_t limitMs) {
    const std::int64_t end = machine.Clock().NowMs() + limitMs;
    while (machine.Clock().NowMs() < end) {
      if (done()) return true;
      machine.Clock().Advance(kTimerPeriodMs);
    }
    return done();
  }

  // Opens the bundled sample job by File Open and prints it on the twin's sheets.
  bool LoadSampleJob() {
    view.openAnswer = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";
    view.Click(window_id::kFileOpenButton);
    if (!model->JobLoaded()) return false;
    std::string message;
    return machine.LoadJob(dir.Root(), message);
  }

  RunContext run;
  SimMachine machine;
  CutterLink link;
  FeederLink feeder;
  test::FakeMainWindowView view;
  test::MemoryProfile profile;
  SettingsStore store;
  WorkDir dir;
  NullPreviewCanvas canvas;
  NoPdf pdf;
  TwinCamera vision;
  std::unique_ptr<MainWindowModel> model;

 private:
  std::vector<std::shared_ptr<std::function<void()>>> repeaters_;
};

}  // namespace orvex::sim
