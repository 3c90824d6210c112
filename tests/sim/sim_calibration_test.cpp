// The camera calibration carried out on the twin the way the operator does it: the main window's
// Calibration button opens the dialog model, Cut Marker makes the twin's cutter cut the square,
// Read Marker takes frames from the twin's camera through the frame handler (inverted search),
// Set stores the pair through the profile. The stored pair is compared with the twin's true
// camera position.
//
// The twin has no notion of a cut material, so the square the blade cut is shown to the camera
// as a light square on a dark film laid where the blade cut it: the frames still come from the
// twin's camera, at the head's position, with its blur and noise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/fake_main_window_view.h"
#include "app/main_window_model.h"
#include "app/settings_store.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "sim/sim_machine.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"
#include "vision/frame_buffer.h"
#include "vision/frame_handler.h"
#include "vision/snapshot.h"

namespace orvex::sim {
namespace {

class NullCanvas : public PreviewCanvas {
 public:
  int Width() const override { return 420; }
  int Height() const override { return 310; }
  PreviewRect Target() const override { return {0, 0, 400, 300}; }
  void Clear(int, int) override {}
  void SelectPen(PreviewPen) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
};

class NoPdf : public PdfConverter {
 public:
  bool Available() override { return false; }
  PdfConversion Convert(const std::string&, const std::string&) override { return {}; }
};

// The camera as the window has it: the twin's stream into the frame buffer, the frame-ready
// notice to the model, the model's analysis through the real frame handler.
class TwinCameraVision : public RunVision, public FrameReadyPoster {
 public:
  TwinCameraVision(SimMachine& machine, RunContext& run, const std::filesystem::path& dir)
      : machine_(machine), buffer_(*this), snapshots_(dir, nullptr), run_(run), dir_(dir) {}

  void Attach(MainWindowModel& model) {
    model_ = &model;
    handler_ = std::make_unique<FrameHandler>(run_, buffer_, snapshots_,
                                              model.AsMarkSearchActions(), dir_);
    const std::vector<CaptureDeviceInfo> devices = machine_.Camera().ListDevices();
    int width = 0;
    int height = 0;
    if (!devices.empty()) machine_.Camera().Start(devices.front(), buffer_, width, height);
    buffer_.SetFrameSize(width, height);
  }
  FrameHandler& Handler() { return *handler_; }

  void RequestFrame() override { handler_->RequestFrame(); }
  void AnalyseFrame() override { handler_->OnFrameReady(); }
  void SwitchCamera(int /*camera*/) override {}
  void PostFrameReady() override {
    if (model_ != nullptr) model_->OnFrameReady();
  }

 private:
  SimMachine& machine_;
  FrameBuffer buffer_;
  SnapshotStore snapshots_;
  RunContext& run_;
  std::filesystem::path dir_;
  MainWindowModel* model_ = nullptr;
  std::unique_ptr<FrameHandler> handler_;
};

// Where the twin's camera axis lies from the blade, in 0.1 mm.
struct TruePlace {
  double feedTenths;
  double crossTenths;
};

struct Outcome {
  OffsetPair stored;  // what the profile holds afterwards (deltaX, deltaY)
  OffsetPair shown;   // the dialog's new values at Set
  bool notFound = false;
  MachinePoint squareCentre;
  MachinePoint headAtRead;
};

class CalibrationStation {
 public:
  explicit CalibrationStation(TruePlace camera)
      : link_(machine_.Cutter(), run_),
        feeder_(machine_.Feeder()),
        store_(profile_),
        dir_(temp_.Path()),
        vision_(machine_, run_, temp_.Path()) {
    MainWindowParts parts{run_,  view_,   store_, profile_, dir_, machine_.Clock(),
                          link_, canvas_, pdf_};
    parts.feeder = &feeder_;
    parts.vision = &vision_;
    model_ = std::make_unique<MainWindowModel>(parts);
    view_.model = model_.get();
    model_->Initialise();
    SimCameraSettings& settings = machine_.Camera().Settings();
    settings.offsetFeedTenths = camera.feedTenths;
    settings.offsetCrossTenths = camera.crossTenths;
    settings.mpix = static_cast<int>(std::lround(4.0 / run_.markScale));
    // A dark film: what the blade cuts out shows light.
    settings.paperGrey = 35;
    settings.inkGrey = 215;
    vision_.Attach(*model_);
    Every(kTimerPeriodMs, [this] { model_->OnTimer(); });
    // The run loop finds the cutter and reads the media width before the operator calibrates.
    machine_.Clock().Advance(5'000);
  }

  // Opens the dialog over the main window, presses Cut Marker, Read Marker, waits, presses Set.
  Outcome Calibrate() {
    Outcome out;
    view_.calibrationScript = [&](CalibrationDialogModel& dialog) {
      vision_.Handler().SetCalibrationSink(model_->CalibrationSink());
      dialog.Start();
      const std::shared_ptr<SimClock::EventId> tick =
          Every(kTimerPeriodMs, [&dialog] { dialog.OnTick(); });
      const std::size_t cutsBefore = machine_.Bed().Cuts().size();
      dialog.OnCutMarker();
      machine_.Clock().Advance(3'000);
      out.squareCentre = LayFilmUnderCut(cutsBefore);
      out.headAtRead = machine_.Bed().head;
      const std::size_t messagesBefore = model_->OperatorMessages().size();
      dialog.OnReadMarker();
      machine_.Clock().Advance(1'000);
      for (std::size_t i = messagesBefore; i < model_->OperatorMessages().size(); ++i) {
        out.notFound =
            out.notFound || model_->OperatorMessages()[i].find("Calibration Mark not found") == 0;
      }
      machine_.Clock().Cancel(*tick);
      out.shown = dialog.Fresh();
      dialog.OnSet();
      return view_.calibrationView.accepted;
    };
    model_->OnCalibration();
    out.stored = {profile_.ReadInt(kProfileSection, "deltaX", -9999),
                  profile_.ReadInt(kProfileSection, "deltaY", -9999)};
    return out;
  }

  RunContext& Run() { return run_; }
  SimMachine& Machine() { return machine_; }

 private:
  // A repeating timer; the returned id always names its next event.
  std::shared_ptr<SimClock::EventId> Every(int periodMs, std::function<void()> action) {
    auto repeat = std::make_shared<std::function<void()>>();
    auto id = std::make_shared<SimClock::EventId>(0);
    *repeat = [this, periodMs, action, repeat, id] {
      action();
      *id = machine_.Clock().ScheduleAfter(periodMs, *repeat);
    };
    *id = machine_.Clock().ScheduleAfter(periodMs, *repeat);
    return id;
  }

  // The square is the last closed run of cuts; its centre becomes the light square's centre.
  MachinePoint LayFilmUnderCut(std::size_t cutsBefore) {
    const std::vector<CutStroke>& cuts = machine_.Bed().Cuts();
    EXPECT_GT(cuts.size(), cutsBefore) << "the calibration command cut nothing";
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (std::size_t i = cutsBefore; i < cuts.size(); ++i) {
      const std::vector<MachinePoint>& points = cuts[i].points;
      // The short stroke before the square is a single line: skip what encloses no area.
      double sx0 = 1e9, sx1 = -1e9, sy0 = 1e9, sy1 = -1e9;
      for (const MachinePoint& p : points) {
        sx0 = std::min(sx0, p.x);
        sx1 = std::max(sx1, p.x);
        sy0 = std::min(sy0, p.y);
        sy1 = std::max(sy1, p.y);
      }
      if (sx1 - sx0 < 1.0 || sy1 - sy0 < 1.0) continue;
      x0 = std::min(x0, sx0);
      x1 = std::max(x1, sx1);
      y0 = std::min(y0, sy0);
      y1 = std::max(y1, sy1);
    }
    const MachinePoint centre{(x0 + x1) / 2.0, (y0 + y1) / 2.0};
    auto film = std::make_shared<PrintedJob>();
    film->markSizeMm = x1 - x0;
    film->marks.push_back(PrintedMark{JobPoint{centre.x, -centre.y}, MarkPrint::kFull});
    SheetSupply& supply = machine_.Bed().supply;
    supply.job = film;
    supply.nominalOrigin = MachinePoint{0.0, 0.0};
    machine_.Bed().DeliverSheet();
    machine_.Bed().NoteFeedCommand(1);
    machine_.Bed().NoteFeedCommand(0);
    return centre;
  }

  test::TempDir temp_;
  RunContext run_;
  SimMachine machine_;
  CutterLink link_;
  FeederLink feeder_;
  test::FakeMainWindowView view_;
  test::MemoryProfile profile_;
  SettingsStore store_;
  WorkDir dir_;
  NullCanvas canvas_;
  NoPdf pdf_;
  TwinCameraVision vision_;
  std::unique_ptr<MainWindowModel> model_;
};

// The twin's camera where the closed-loop runs need it: deltaX ahead of the blade along the feed
// and, across, at media width - deltaY - parked cross + 2 mm - first mark's b (AlignToRun), here
// for a head parked at cross 120 mm and a first mark at b = 10 mm: 320 - 9.9 - 120 + 2 - 10 =
// 182.1 mm. The square is cut 8 mm inside the far media edge (312 mm) and the head then goes to
// cross 0, so the camera looks at 182.1 mm, 130 mm away from the square: a frame spans about
// 25 mm either way. The read cannot see it; the dialog keeps its values and Set leaves the pair.
TEST(SimCalibration, CameraWhereTheRunsNeedItNeverSeesTheSquare) {
  CalibrationStation station(TruePlace{80.0, 1821.0});
  const Outcome out = station.Calibrate();
  EXPECT_DOUBLE_EQ(out.squareCentre.x, 2.0);
  EXPECT_DOUBLE_EQ(out.squareCentre.y, 312.0);
  EXPECT_DOUBLE_EQ(out.headAtRead.x, 9.0);
  EXPECT_DOUBLE_EQ(out.headAtRead.y, 0.0);
  EXPECT_TRUE(out.notFound);
  // The pair converted from (0, 0) has X <= 0 at the twin's mark size, so nothing is shown and
  // Set keeps the start-up pair.
  EXPECT_EQ(out.stored, (OffsetPair{80, 111}));
}

// Across the feed the conversion reads the camera's distance from the far media edge when the
// head stands at cross 0: Y = media width x 10 - cross offset. Along the feed the square lies at
// 2 mm and the head at 9 mm, so a camera deltaX (8 mm) ahead of the blade has the square 15 mm
// behind its axis, at row 240 - 191.25 = 48.75: too near the frame's edge for the mark search,
// which reports it not found. Had it been found there, the conversion would give
// X = -(70 + deltaX) + 65 = -deltaX - 5 = -85, which the dialog never shows (it takes only
// positive pairs). Either way Set keeps the current pair.
TEST(SimCalibration, CameraAheadOfTheBladeIsNeverMeasured) {
  CalibrationStation station(TruePlace{80.0, 3200.0 - 99.0});
  const Outcome out = station.Calibrate();
  EXPECT_TRUE(out.notFound);
  const OffsetPair wouldRead = ConvertCalibrationRead(320.0F, 48.75F, 4.0 / 51.0);
  EXPECT_EQ(wouldRead, (OffsetPair{-85, 80}));
  EXPECT_EQ(out.stored, (OffsetPair{80, 111}));
}

// Only a camera behind the blade gives a positive X, and then X = |offset| - 5: a camera 8 mm
// behind the blade is stored as 75, half a millimetre short. Y agrees within the truncation.
TEST(SimCalibration, CameraBehindTheBladeIsStoredHalfAMillimetreShort) {
  CalibrationStation station(TruePlace{-80.0, 3200.0 - 99.0});
  const Outcome out = station.Calibrate();
  EXPECT_FALSE(out.notFound);
  EXPECT_NEAR(out.shown.x, 75, 1);
  EXPECT_NEAR(out.shown.y, 99, 1);
  EXPECT_EQ(out.stored, out.shown);
  EXPECT_EQ(station.Run().cameraOffsetX, out.stored.x);
  EXPECT_EQ(station.Run().cameraOffsetY, out.stored.y);
  RecordProperty("stored_x", out.stored.x);
  RecordProperty("stored_y", out.stored.y);
}

}  // namespace
}  // namespace orvex::sim
