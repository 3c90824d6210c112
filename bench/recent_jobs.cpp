// What keeping recent.dat whole costs at Start: the update that writes the file through a
// temporary and a rename, against its peer, overwriting the job's line in place with one
// pwrite and fsync (which a kill cannot tear but a power cut can). Files of 100 and 10,000 jobs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/recent_jobs.h"
#include "core/atomic_file.h"

namespace {

std::filesystem::path BenchDir() {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "orvex_bench_recent";
  std::filesystem::create_directories(dir);
  return dir;
}

orvex::RecentEntry Job(int n, int force) {
  orvex::RecentEntry entry;
  entry.path = "/home/operator/jobs/customer " + std::to_string(n) + "/labels sheet.eps";
  entry.values = {1, 2, 3, 360, 5, 10, 1, 0, 45, force, 0, 12, 13, 14};
  return entry;
}

// A file of `jobs` lines; the job updated is the one in the middle.
std::filesystem::path MakeFile(int jobs) {
  std::string contents;
  for (int n = 0; n < jobs; ++n) contents += orvex::FormatNewRecentLine(Job(n, 7));
  std::filesystem::path file = BenchDir() / ("recent" + std::to_string(jobs) + ".dat");
  orvex::WriteFileAtomically(file, contents);
  return file;
}

void UpdateThroughRename(benchmark::State& state) {
  const int jobs = static_cast<int>(state.range(0));
  const std::filesystem::path file = MakeFile(jobs);
  orvex::RunContext run;
  orvex::MainWindowFields fields;
  orvex::RecentJobsFile recent(file, run, fields);
  int force = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(recent.Update(Job(jobs / 2, 10 + (force++ % 80))));
  }
}

void OverwriteLineInPlace(benchmark::State& state) {
  const int jobs = static_cast<int>(state.range(0));
  const std::filesystem::path file = MakeFile(jobs);
  std::string before;
  for (int n = 0; n < jobs / 2; ++n) before += orvex::FormatNewRecentLine(Job(n, 7));
  const off_t offset = static_cast<off_t>(before.size());
  int force = 0;
  for (auto _ : state) {
    const std::string text = orvex::FormatRewrittenRecentText(Job(jobs / 2, 10 + (force++ % 80)));
    int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    benchmark::DoNotOptimize(::pwrite(fd, text.data(), text.size(), offset));
    ::fsync(fd);
    ::close(fd);
  }
}

BENCHMARK(UpdateThroughRename)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(OverwriteLineInPlace)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
