// Streaming a sheet of 2 million points to a cutter transport that discards the bytes: the
// correction per point, the integer steps and the text formatting. Target: at least 1 million
// points per second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/clock.h"
#include "core/cutter_transport.h"
#include "core/feeder_transport.h"
#include "core/run_context.h"
#include "core/work_dir.h"
#include "devices/cutter_link.h"
#include "devices/feeder_link.h"
#include "run/contour_records.h"
#include "run/cut_sheet.h"

namespace {

class DiscardingCutter : public orvex::CutterTransport {
 public:
  long long bytes = 0;
  bool Enumerate(std::vector<std::string>& paths) override {
    paths.clear();
    return true;
  }
  int Open(const std::string&, orvex::CutterAccess, orvex::CutterHandle& handle) override {
    handle = 1;
    return orvex::kCutterOk;
  }
  int Write(orvex::CutterHandle, const char*, std::size_t length) override {
    bytes += static_cast<long long>(length);
    return orvex::kCutterOk;
  }
  void Close(orvex::CutterHandle) override {}
  int StartRead(orvex::CutterHandle, std::uint8_t*, std::size_t) override { return 0; }
  bool ReadOutstanding() const override { return false; }
  void WaitRead(int) override {}
};

class NoFeeder : public orvex::FeederTransport {
 public:
  bool Enumerate(std::vector<orvex::HidDeviceInfo>& devices) override {
    devices.clear();
    return true;
  }
  int Open(const std::string&, orvex::FeederHandle&) override { return 1; }
  void Close(orvex::FeederHandle) override {}
  orvex::TransferResult Write(orvex::FeederHandle, const std::uint8_t*, std::size_t, int) override {
    return {};
  }
  orvex::TransferResult Read(orvex::FeederHandle, std::uint8_t*, std::size_t, int) override {
    return {};
  }
};

class FrozenClock : public orvex::Clock {
 public:
  std::uint32_t TickMs() override { return 0; }
  std::int64_t CalendarSeconds() override { return 0; }
  void Sleep(int) override {}
};

class QuietEvents : public orvex::RunEvents {
 public:
  void ShowMessage(std::string_view, orvex::MessageIcon) override {}
  void FinishJob() override {}
};

void BM_CutSheetStream(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  const auto dir = std::filesystem::temp_directory_path() / "orvex_bench_stream";
  std::filesystem::create_directories(dir);
  {
    std::string job;
    job.reserve(static_cast<std::size_t>(points) * 16);
    for (int i = 0; i < points; ++i) {
      const bool start = i % 20 == 0;
      orvex::AppendContourRecord(job, start ? 'M' : 'L', 10.0F + (i % 20000) * 0.01F,
                                 5.0F + (i / 20000) * 2.0F + (i % 7) * 0.1F);
    }
    job += "A\n";
    std::ofstream(dir / "sortx.prn", std::ios::binary) << job;
  }
  orvex::WorkDir work(dir);
  DiscardingCutter cutterWire;
  NoFeeder feederWire;
  FrozenClock clock;
  QuietEvents events;
  orvex::RunContext ctx;
  orvex::CutterLink cutter(cutterWire, ctx);
  orvex::FeederLink feeder(feederWire);
  orvex::SheetCutPorts ports{cutter, feeder, clock, events};
  orvex::CutterCommandInputs inputs;
  orvex::SheetCutFields fields;
  long sent = 0;
  for (auto _ : state) {
    ctx.firstMarkPos = 10.0F;
    ctx.secondMarkPos = 400.0F;
    ctx.jobWidth = 420.0F;
    ctx.jobHeight = 300.0F;
    ctx.mediaWidth = 330;
    ctx.markScale = 0.1;
    ctx.runPhase = 2;
    ctx.markAcceptedCol = 321.0F;  // a little skew, so every point is rotated
    ctx.markAcceptedRow = 242.0F;
    orvex::SheetCutResult r = orvex::CutSheet(ctx, work, fields, inputs, ports);
    if (!r.streamed) state.SkipWithError("stream not sent");
    sent = r.points;
  }
  state.counters["points"] = static_cast<double>(sent);
  state.counters["points_per_s"] =
      benchmark::Counter(static_cast<double>(sent), benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove_all(dir);
}

}  // namespace

BENCHMARK(BM_CutSheetStream)->Arg(2000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
