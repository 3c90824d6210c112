// The main-window model over the fake view, an in-memory cutter and feeder, a manual clock and a
// camera that logs its settings; shared by the model's tests, one file per concern.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window_model.h"
#include "fake_views.h"
#include "support/fake_main_window_view.h"
#include "support/hand_written_eps.h"
#include "support/manual_clock.h"
#include "support/memory_cutter_transport.h"
#include "support/memory_feeder_transport.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"

namespace orvex::test {

// Reads give the brightness last set and an exposure of -9; every setting is logged.
class LoggingCamera : public CameraPictureControl {
 public:
  bool ReadBrightness(int& value) override { return Give(value, brightness); }
  bool SetBrightness(int value, int flag) override { return Log("B", brightness = value, flag); }
  bool ReadExposure(int& value) override { return Give(value, -9); }
  bool SetExposure(int value, int flag) override { return Log("E", value, flag); }
  int brightness = 0;
  std::vector<std::string> log;

 private:
  static bool Give(int& out, int value) { return (out = value, true); }
  bool Log(const char* what, int value, int flag) {
    log.push_back(what + std::to_string(value) + "/" + std::to_string(flag));
    return true;
  }
};

class NullVision : public RunVision {
 public:
  void RequestFrame() override {}
  void AnalyseFrame() override {}
  void SwitchCamera(int camera) override { switches.push_back(camera); }
  std::vector<int> switches;
};

// A clock whose waits let the platform deliver notices, as the GUI's nested event loop does.
class EventfulClock : public ManualClock {
 public:
  void Sleep(int ms) override {
    ManualClock::Sleep(ms);
    if (duringSleep) duringSleep();
  }
  std::function<void()> duringSleep;
};

class MainWindowModelTest : public ::testing::Test {
 protected:
  void Build() {
    run.cutterPath = "\\\\?\\usb#vid_0b4d&pid_1130#1";
    MainWindowParts parts{run, view, store, profile, workDir, clock, link, canvas, pdf, &camera};
    parts.feeder = &feeder;
    parts.vision = &vision;
    model = std::make_unique<MainWindowModel>(parts);
    view.model = model.get();
    for (int id : {window_id::kCopiesCheck, window_id::kWithoutMarksCheck,
                   window_id::kDashEnableCheck, window_id::kAutoExposureCheck}) {
      view.clickToggles[id] = 1;
    }
    model->Initialise();
  }
  void SetUp() override { Build(); }

  void LoadJob() {
    dir.Write("job.eps", HandWrittenEps());
    view.openAnswer = dir.File("job.eps").string();
    view.Click(window_id::kFileOpenButton);
    ASSERT_TRUE(model->JobLoaded()) << (view.messages.empty() ? "" : view.messages[0].text);
  }

  std::string CutterBytes() const { return cutterTransport.AllBytes(); }
  std::vector<bool> Enabled(std::initializer_list<int> ids) {
    std::vector<bool> states;
    for (int id : ids) states.push_back(model->State(id).enabled);
    return states;
  }

  TempDir dir;
  WorkDir workDir{dir.Path()};
  MemoryProfile profile;
  EventfulClock clock;
  MemoryCutterTransport cutterTransport;
  MemoryFeederTransport feederTransport;
  RunContext run;
  CutterLink link{cutterTransport, run};
  FeederLink feeder{feederTransport};
  SettingsStore store{profile};
  FakeMainWindowView view;
  FakePreviewCanvas canvas;  // one clear per load that reached the drawing
  FakePdf pdf;
  LoggingCamera camera;
  NullVision vision;
  std::unique_ptr<MainWindowModel> model;
};

}  // namespace orvex::test
