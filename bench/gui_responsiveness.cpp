// The window's responsiveness on the simulated machine at real speed, as an operator feels it:
//   - start-up to the first painted window (target: at most 0.5 s);
//   - the longest gap between two turns of the event loop during a whole sheet cycle, the
//     fixed waits included (target: at most 50 ms; a window that blocks in its waits stalls
//     for seconds);
//   - the CPU the idle window takes with the live pane running (target: at most 3 % of a core).
// Each is measured once per run of the program: a sheet cycle takes tens of seconds.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "gui/orvex_application.h"

namespace {

using namespace orvex;
using namespace orvex::gui;

constexpr int kSheetCycleLimitMs = 180'000;
constexpr int kIdleMs = 10'000;

QApplication& App() {
  static int argc = 1;
  static char name[] = "orvex_bench_gui_responsiveness";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

std::unique_ptr<OrvexApplication> MakeOrvex(const std::string& name) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  ProgramOptions options;
  options.simulate = true;
  options.station.sheets = 2;
  options.workDir = dir.string();
  options.settings = (dir / "orvex.conf").string();
  options.job = ORVEX_SAMPLE_JOB;
  return std::make_unique<OrvexApplication>(options, dir);
}

// Runs the event loop until `done` or `limitMs`.
bool Spin(const std::function<bool()>& done, int limitMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done() && elapsed.elapsed() < limitMs) {
    QEventLoop loop;
    QTimer::singleShot(10, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return done();
}

class FirstPaint : public QObject {
 public:
  bool painted = false;

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return false;
  }
};

void StartupToFirstPaint(benchmark::State& state) {
  App();
  for (auto _ : state) {
    QElapsedTimer elapsed;
    elapsed.start();
    auto orvex = MakeOrvex("orvex-bench-startup");
    FirstPaint watch;
    orvex->Window().installEventFilter(&watch);
    QTimer::singleShot(0, [&] { orvex->Start(); });
    Spin([&] { return watch.painted; }, 5000);
    state.SetIterationTime(static_cast<double>(elapsed.nsecsElapsed()) / 1e9);
    state.counters["first_paint_ms"] = static_cast<double>(elapsed.elapsed());
    orvex->Window().removeEventFilter(&watch);
  }
}
BENCHMARK(StartupToFirstPaint)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void LongestEventLoopGapInASheetCycle(benchmark::State& state) {
  App();
  for (auto _ : state) {
    auto orvex = MakeOrvex("orvex-bench-cycle");
    orvex->Start();
    MainWindowModel& model = orvex->Machine().Model();
    MainWindow& window = orvex->Window();
    Spin([&] { return window.Controls().Find(window_id::kStartButton)->isEnabled(); }, 60'000);
    // A zero timer runs on every turn of every event loop, the nested ones of the waits too.
    QElapsedTimer sinceTurn;
    sinceTurn.start();
    qint64 longest = 0;
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&] {
      longest = std::max(longest, sinceTurn.restart());
    });
    QElapsedTimer cycle;
    cycle.start();
    turn.start();
    sinceTurn.restart();
    model.OnCommand(window_id::kStartButton, Notification::kClicked);
    const bool cut = Spin([&] { return model.Engine()->Fields().sheet.sheetCount >= 1; },
                          kSheetCycleLimitMs);
    turn.stop();
    state.SetIterationTime(static_cast<double>(cycle.nsecsElapsed()) / 1e9);
    state.counters["longest_gap_ms"] = static_cast<double>(longest);
    state.counters["sheet_cut"] = cut ? 1 : 0;
    model.OnCommand(window_id::kStartButton, Notification::kClicked);  // stop the run
  }
}
BENCHMARK(LongestEventLoopGapInASheetCycle)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void IdleCpuWithTheLivePane(benchmark::State& state) {
  App();
  for (auto _ : state) {
    auto orvex = MakeOrvex("orvex-bench-idle");
    orvex->Start();
    Spin([] { return false; }, 2000);
    const double cpuBefore = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    Spin([] { return false; }, kIdleMs);
    const double cpu = CpuSeconds() - cpuBefore;
    state.SetIterationTime(static_cast<double>(wall.nsecsElapsed()) / 1e9);
    state.counters["idle_cpu_percent"] = 100.0 * cpu / (static_cast<double>(wall.elapsed()) / 1e3);
  }
}
BENCHMARK(IdleCpuWithTheLivePane)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
