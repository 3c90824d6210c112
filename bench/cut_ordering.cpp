// Ordering a large job: 100,000 closed contours of 20 points (2 million points) from sort.prn
// to sortx.prn, files included. Target: well under 2 s per ordering.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "core/run_context.h"
#include "core/work_dir.h"
#include "run/contour_records.h"
#include "run/cut_order.h"

namespace {

std::filesystem::path MakeJobDir(int contours, int pointsPerContour) {
  auto dir =
      std::filesystem::temp_directory_path() / ("orvex_bench_order_" + std::to_string(contours));
  std::filesystem::create_directories(dir);
  std::mt19937 rng(42);
  std::uniform_real_distribution<float> pos(0.0F, 900.0F);
  std::string job;
  job.reserve(static_cast<std::size_t>(contours) * pointsPerContour * 16);
  for (int c = 0; c < contours; ++c) {
    const float a0 = pos(rng);
    const float b0 = pos(rng) * 0.5F;
    for (int p = 0; p < pointsPerContour; ++p) {
      const float angle = 6.2831853F * p / pointsPerContour;
      orvex::AppendContourRecord(job, p == 0 ? 'M' : 'L', a0 + 4.0F * std::cos(angle),
                                 b0 + 4.0F * std::sin(angle));
    }
  }
  job += "A";
  std::ofstream(dir / "sort.prn", std::ios::binary) << job;
  return dir;
}

void BM_OrderCuts(benchmark::State& state) {
  const int contours = static_cast<int>(state.range(0));
  const int passes = static_cast<int>(state.range(1));
  const auto dir = MakeJobDir(contours, 20);
  orvex::WorkDir work(dir);
  for (auto _ : state) {
    orvex::RunContext ctx;
    ctx.passes = passes;
    orvex::OrderResult result = orvex::OrderCuts(ctx, work);
    if (!result.ok) state.SkipWithError(result.error.c_str());
    benchmark::DoNotOptimize(result.orderedContours);
  }
  state.counters["points"] = contours * 20.0;
  state.counters["points_per_s"] =
      benchmark::Counter(contours * 20.0, benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove_all(dir);
}

// The same ordering on text in memory: the share of the work that is not file I/O (the files
// are written durably, so on a slow disk the fsync dominates the figure above).
void BM_OrderRecordsInMemory(benchmark::State& state) {
  const int contours = static_cast<int>(state.range(0));
  const auto dir = MakeJobDir(contours, 20);
  std::ifstream in(dir / "sort.prn", std::ios::binary);
  std::string job((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (auto _ : state) {
    long specialEnd = 0;
    double length = 0.0;
    std::string out = orvex::OrderRecords(job, specialEnd, 1, 0, length);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["points_per_s"] =
      benchmark::Counter(contours * 20.0, benchmark::Counter::kIsIterationInvariantRate);
  std::filesystem::remove_all(dir);
}

}  // namespace

BENCHMARK(BM_OrderRecordsInMemory)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderCuts)->Args({100000, 1})->Args({100000, 2})->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
