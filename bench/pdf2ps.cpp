// PDF conversion speed on a generated page of 200,000 paths (squares, circles of four curves,
// curve-and-line paths; fills and strokes, some under transforms): our orvex-pdf2ps against
// `pdftops -level2sep` on the same file in the same run, both as the child processes the loader
// starts. The target is ours within twice pdftops' time.
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/atomic_file.h"
#include "pdf2ps/pdf_to_postscript.h"
#include "platform/child_process.h"
#include "tools/minimal_pdf.h"

namespace {

using namespace std::chrono_literals;
constexpr int kPaths = 200'000;

std::string GeneratedContent() {
  std::string content;
  content.reserve(static_cast<std::size_t>(kPaths) * 90);
  char text[256];
  for (int i = 0; i < kPaths; ++i) {
    const double x = 20 + (i % 500) * 1.1;
    const double y = 20 + (i / 500) * 1.9;
    switch (i % 4) {
      case 0:
        std::snprintf(text, sizeof text, "0 0 0 1 k %.2f %.2f m %.2f %.2f l %.2f %.2f l %.2f %.2f l h f\n",
                      x, y, x + 0.8, y, x + 0.8, y + 0.8, x, y + 0.8);
        break;
      case 1:
        std::snprintf(text, sizeof text,
                      "0 0 0 1 K %.2f %.2f m %.2f %.2f %.2f %.2f %.2f %.2f c %.2f %.2f %.2f %.2f "
                      "%.2f %.2f c %.2f %.2f %.2f %.2f %.2f %.2f c %.2f %.2f %.2f %.2f %.2f %.2f c S\n",
                      x + 0.8, y, x + 0.8, y + 0.44, x + 0.44, y + 0.8, x, y + 0.8, x - 0.44,
                      y + 0.8, x - 0.8, y + 0.44, x - 0.8, y, x - 0.8, y - 0.44, x - 0.44,
                      y - 0.8, x, y - 0.8, x + 0.44, y - 0.8, x + 0.8, y - 0.44, x + 0.8, y);
        break;
      case 2:
        std::snprintf(text, sizeof text,
                      "0 1 0 0 K [3 2] 0 d %.2f %.2f m %.2f %.2f l %.2f %.2f %.2f %.2f %.2f %.2f c S [] 0 d\n",
                      x, y, x + 0.5, y, x + 0.9, y + 0.2, x + 0.9, y + 0.6, x + 0.5, y + 0.9);
        break;
      default:
        std::snprintf(text, sizeof text,
                      "q 1 0 0 -1 0 %.2f cm 0.5 g %.2f %.2f m %.2f %.2f l %.2f %.2f l h f Q\n",
                      2 * y + 1, x, y, x + 0.7, y + 0.1, x + 0.3, y + 0.7);
    }
    content += text;
  }
  return content;
}

// The generated PDF, written once per run.
const std::filesystem::path& GeneratedPdf() {
  static const std::filesystem::path path = [] {
    std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("orvex-bench-pdf2ps-" + std::to_string(::getpid()) + ".pdf");
    orvex::tools::MinimalPdf pdf;
    orvex::WriteFileAtomically(file, orvex::tools::SinglePagePdf(pdf, GeneratedContent(), 600, 800));
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove(GeneratedPdf(), ignored);
      std::filesystem::remove(GeneratedPdf().string() + ".ps", ignored);
    });
    return file;
  }();
  return path;
}

void RunConverter(benchmark::State& state, const std::vector<std::string>& prefix) {
  const std::string out = GeneratedPdf().string() + ".ps";
  std::vector<std::string> argv = prefix;
  argv.push_back(GeneratedPdf().string());
  argv.push_back(out);
  for (auto _ : state) {
    const auto outcome = orvex::RunChildProcess(argv, 120s);
    if (!outcome.Succeeded()) {
      state.SkipWithError(("converter failed: " + outcome.output).c_str());
      break;
    }
  }
  std::error_code ignored;
  state.counters["out_MB"] = static_cast<double>(std::filesystem::file_size(out, ignored)) / 1e6;
  state.counters["in_MB"] = static_cast<double>(std::filesystem::file_size(GeneratedPdf())) / 1e6;
}

void BM_OrvexPdf2Ps(benchmark::State& state) {
  RunConverter(state, {(orvex::RunningExecutableDirectory() / "orvex-pdf2ps").string()});
}

void BM_PdftopsLevel2Sep(benchmark::State& state) {
  const char* path = std::getenv("PATH");
  const auto pdftops = orvex::FindOnPath("pdftops", path != nullptr ? path : "/usr/bin");
  if (pdftops.empty()) {
    state.SkipWithError("pdftops not installed");
    return;
  }
  RunConverter(state, {pdftops.string(), "-level2sep"});
}

// The conversion alone, in process, output discarded: where our time goes.
void BM_ConversionInProcess(benchmark::State& state) {
  std::string bytes;
  {
    std::FILE* file = std::fopen(GeneratedPdf().c_str(), "rb");
    char chunk[65536];
    std::size_t got = 0;
    while (file != nullptr && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    if (file != nullptr) std::fclose(file);
  }
  for (auto _ : state) {
    std::size_t written = 0;
    const auto result = orvex::pdf2ps::ConvertPdfToPostScript(
        bytes.data(), bytes.size(), [&written](std::string_view c) { written += c.size(); }, "bench");
    benchmark::DoNotOptimize(written);
    state.counters["paths"] = static_cast<double>(result.paths);
  }
}

BENCHMARK(BM_OrvexPdf2Ps)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PdftopsLevel2Sep)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ConversionInProcess)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
