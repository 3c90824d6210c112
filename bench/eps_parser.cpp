// The path parser alone on the generated 30 MB label sheet, beside two peers measured in the same
// run: reading the file through stdio (the floor no parser can beat) and tokenising it with
// fscanf("%s") (what a parser built on formatted input spends before doing any work).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_eps_file.h"
#include "import/eps_path_parser.h"

namespace {

struct Sheet {
  std::filesystem::path dir;
  std::filesystem::path eps;
  std::size_t bytes = 0;
};

// Kept apart from the sheet so the clean-up at exit never reads a destroyed object.
std::filesystem::path& SheetDir() {
  static auto* dir = new std::filesystem::path();
  return *dir;
}

const Sheet& GetSheet() {
  static const Sheet sheet = [] {
    Sheet s;
    std::string pattern = (std::filesystem::temp_directory_path() / "orvex-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    s.dir = pattern;
    s.eps = s.dir / "sheet.eps";
    s.bytes = orvex::bench::WriteBenchEps(s.eps);
    if (s.bytes == 0) std::abort();
    SheetDir() = s.dir;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(SheetDir(), ignored);
    });
    return s;
  }();
  return sheet;
}

void BM_ParseEps(benchmark::State& state) {
  const Sheet& sheet = GetSheet();
  for (auto _ : state) {
    orvex::EpsPathParser parser(sheet.dir);
    bool ok = parser.ParseEps(sheet.eps, 1);
    if (!ok) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(parser.Summary().width);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sheet.bytes));
}

void BM_PeerReadFile(benchmark::State& state) {
  const Sheet& sheet = GetSheet();
  std::string buffer(1 << 16, '\0');
  for (auto _ : state) {
    std::FILE* file = std::fopen(sheet.eps.c_str(), "rb");
    std::size_t sum = 0;
    while (std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file)) sum += got;
    std::fclose(file);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sheet.bytes));
}

void BM_PeerFscanfTokens(benchmark::State& state) {
  const Sheet& sheet = GetSheet();
  char token[256];
  for (auto _ : state) {
    std::FILE* file = std::fopen(sheet.eps.c_str(), "rb");
    long count = 0;
    while (std::fscanf(file, "%255s", token) == 1) ++count;
    std::fclose(file);
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sheet.bytes));
}

}  // namespace

BENCHMARK(BM_ParseEps)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PeerReadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerFscanfTokens)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
