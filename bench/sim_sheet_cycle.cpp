// One sheet on the simulated machine, as the tests run it: the sheet cycle's commands and the
// feeder exchange, both marks found on rendered twin frames, CutSheet's stream, and the
// accuracy measure. The twin never waits for real time; target: a whole sheet well under a
// second of wall time. The peer is the rendering of one camera frame after a head move.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/run_context.h"
#include "core/work_dir.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "run/cut_order.h"
#include "run/cut_sheet.h"
#include "run/cutter_command.h"
#include "run/run_engine.h"
#include "sim/sim_machine.h"
#include "vision/mark_search.h"

namespace {

using namespace orvex;
using namespace orvex::sim;

constexpr double kPi = 3.14159265358979323846;

struct QuietEvents : RunEvents {
  void ShowMessage(std::string_view, MessageIcon) override {}
  void FinishJob() override {}
};

// Six rounded labels and a round one on a 210 x 120 mm sheet with marks at the bottom corners.
std::filesystem::path WriteJob() {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("orvex_bench_sim_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::string sort;
  char line[64];
  auto point = [&](char letter, double a, double b) {
    std::snprintf(line, sizeof line, "%c %.2f %.2f\n", letter, a, b);
    sort += line;
  };
  for (int label = 0; label < 6; ++label) {
    const double a0 = 15.0 + 65.0 * (label % 3);
    const double b0 = 12.0 + 52.0 * (label / 3);
    point('M', a0, b0);
    point('L', a0 + 55.0, b0);
    point('L', a0 + 55.0, b0 + 44.0);
    point('L', a0, b0 + 44.0);
    point('L', a0, b0);
  }
  point('M', 113.0, 60.0);
  for (int s = 1; s <= 36; ++s) {
    point('C', 105.0 + 8.0 * std::cos(s * kPi / 18.0), 60.0 + 8.0 * std::sin(s * kPi / 18.0));
  }
  sort += "A";
  std::ofstream(dir / "sort.prn", std::ios::binary) << sort;
  std::ofstream(dir / "mk3.dat", std::ios::binary)
      << "2.000000 2.000000\n208.000000 2.000000\n105.000000 118.000000\n";
  return dir;
}

// Feeds, registers and cuts one sheet; returns the worst cut distance in mm (negative when
// the sheet was not cut).
double OneSheet(SimMachine& machine, const std::filesystem::path& dir) {
  RunContext ctx;
  ctx.importFirstMark = 2.0F;
  ctx.importSecondMark = 208.0F;
  ctx.jobWidth = 210.0F;
  ctx.jobHeight = 120.0F;
  ctx.mediaWidth = 320;
  ctx.cameraOffsetX = 80;
  ctx.cameraOffsetY = 99;
  ctx.markScale = 4.0 / 51.0;
  CutterLink link(machine.Cutter(), ctx);
  FeederLink feeder(machine.Feeder());
  CutterCommandInputs inputs;
  Clock& clock = machine.Clock();
  if (link.FindCutter() != 1 || !feeder.OpenSheetFeeder() || !OrderCuts(ctx, WorkDir(dir)).ok) {
    return -1.0;
  }
  ctx.headCross = ParkedHeadCross(ctx);
  CutterCommand(kParkHead, ctx, inputs, link);
  clock.Sleep(2000);
  CutterCommand(kWideMediaSetup, ctx, inputs, link);
  const SheetRequest request = BuildSheetRequest(RunFields{}, ctx);
  feeder.FeederSend(0, request.bytes, 64, 100);
  clock.Sleep(500);
  CutterCommand(kFeedBackward, ctx, inputs, link);
  clock.Sleep(3000);
  std::array<std::uint8_t, 64> reply{};
  if (feeder.FeederReceive(0, reply.data(), 64, 6000) <= 0) return -1.0;
  clock.Sleep(500);
  CutterCommand(kFeedAlternate, ctx, inputs, link);
  clock.Sleep(200);
  CutterCommand(kFeedStop, ctx, inputs, link);
  clock.Sleep(100);
  CutterCommand(kSheetPrepA, ctx, inputs, link);
  clock.Sleep(100);
  CutterCommand(kSheetPrepB, ctx, inputs, link);
  CutterCommand(kMoveToFirstMark, ctx, inputs, link);

  ctx.runPhase = 1;
  SheetCutFields fields;
  QuietEvents events;
  SheetCutPorts ports{link, feeder, clock, events};
  CameraFrame frame;
  frame.width = kFrameWidth;
  frame.height = kFrameHeight;
  for (int step = 0; step < 8 && (ctx.runPhase == 1 || ctx.runPhase == 2); ++step) {
    clock.Sleep(ctx.settleTicks * 120);
    machine.Camera().Render(frame.bytes);
    const MarkPoint mark = LocateMark(frame, false);
    if (!mark.Found()) return -1.0;
    ctx.markAcceptedCol = mark.col;
    ctx.markAcceptedRow = mark.row;
    CutSheet(ctx, WorkDir(dir), fields, inputs, ports);
  }
  while (machine.Cutter().Busy()) clock.Sleep(120);
  const AccuracyReport report = machine.Accuracy();
  return report.sheets.empty() ? -1.0 : report.sheets.back().maxMm;
}

void BM_SimSheetCycle(benchmark::State& state) {
  const std::filesystem::path dir = WriteJob();
  std::string message;
  double worst = 0.0;
  double virtualSeconds = 0.0;
  for (auto _ : state) {
    SimMachine machine;
    machine.LoadJob(dir, message);
    SheetPlacement placement;
    placement.offsetFeedMm = 2.0;
    placement.offsetCrossMm = 2.0;
    placement.rotationDeg = 0.3;
    placement.pivot = {2.0, 2.0};
    machine.Bed().supply.placement = placement;
    worst = OneSheet(machine, dir);
    virtualSeconds = machine.Clock().NowMs() / 1000.0;
    if (worst < 0.0) state.SkipWithError("the sheet was not cut");
  }
  state.counters["max_error_mm"] = worst;
  state.counters["virtual_s_per_sheet"] = virtualSeconds;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SimSheetCycle)->Unit(benchmark::kMillisecond);

void BM_RenderFrameAfterMove(benchmark::State& state) {
  SimMachine machine;
  PrintedJob job;
  job.marks = {PrintedMark{{2, 2}}, PrintedMark{{208, 2}}};
  machine.SetJob(job);
  machine.Bed().NoteSheetRequested();
  machine.Bed().DeliverSheet();
  machine.Bed().NoteFeedCommand(1);
  machine.Bed().NoteFeedCommand(0);
  std::vector<std::uint8_t> bytes;
  double step = 0.0;
  for (auto _ : state) {
    step = step > 1.0 ? 0.0 : step + 0.01;  // a new view every time: no reuse
    machine.Bed().head = MachinePoint{790.0 + step, 318.0};
    machine.Camera().Render(bytes);
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(BM_RenderFrameAfterMove)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
