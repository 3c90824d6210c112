// The whole import of a large job: parse a generated EPS of about 30 MB with 200,000 paths
// (squares, circles of four curves, curve-and-line paths), locate the marks and flatten every
// path into sort.prn. Target: under 1.0 s with a peak RSS under 64 MB; the import streams and
// never holds the job in memory. Ghostscript's bare interpretation of the same file
// (gs -dNODISPLAY -sDEVICE=nullpage) and pstoedit -f hpgl, when installed, run in the same
// program for scale; their peak RSS is the child's own.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/profile.h"
#include "core/run_context.h"
#include "core/work_dir.h"
#include "import/job_loader.h"

extern char** environ;

namespace {

constexpr int kPaths = 200000;

std::filesystem::path BenchDir() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path d = std::filesystem::temp_directory_path() /
                              ("orvex-import-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// Writes the job straight to disk, a chunk at a time, so the generator does not inflate the
// process's peak memory either.
std::filesystem::path GeneratedEps() {
  static const std::filesystem::path path = [] {
    std::filesystem::path p = BenchDir() / "large.eps";
    std::FILE* f = std::fopen(p.c_str(), "wb");
    std::string out =
        "%!PS-Adobe-3.0 EPSF-3.0\n%%Creator: orvex import benchmark\n"
        "%%BoundingBox: 0 0 1700 2400\n%%EndComments\n%%BeginProlog\n";
    // A real prolog: the short operators of the body, so that PostScript interpreters run the
    // same file; padded beyond the part the importer skips unread.
    out +=
        "/m {moveto} bind def /l {lineto} bind def /c {curveto} bind def /h {closepath} bind def\n"
        "/S {stroke} bind def /f {fill} bind def /w {setlinewidth} bind def\n"
        "/K {setcmykcolor} bind def /k {setcmykcolor} bind def\n";
    while (out.size() < 8000) {
      out += "/orvexbench_proc { gsave newpath moveto lineto stroke grestore } bind def\n";
    }
    out += "%%EndProlog\n%%Page: 1 1\n%%EndPageSetup\n0 0 0 1 K\n1 w\n";
    // Two bottom marks and a top mark, 4 mm squares, below and above everything else.
    auto square = [&out](double x, double y, double s) {
      char text[256];
      std::snprintf(text, sizeof text, "%.3f %.3f m %.3f %.3f l %.3f %.3f l %.3f %.3f l h f\n", x,
                    y, x + s, y, x + s, y + s, x, y + s);
      out += text;
    };
    square(20, 5, 11.339);
    square(1600, 5, 11.339);
    square(20, 2380, 11.339);
    unsigned state = 12345;
    auto next = [&state] {
      state = state * 1103515245U + 12345U;
      return static_cast<double>((state >> 8) & 0xFFFF) / 65536.0;
    };
    char text[512];
    for (int i = 0; i < kPaths; ++i) {
      double x = 40 + next() * 1600, y = 40 + next() * 2300;
      double s = 5 + next() * 40;
      switch (i % 3) {
        case 0:  // square label, closed with its last segment
          std::snprintf(text, sizeof text,
                        "%.3f %.3f m %.3f %.3f l %.3f %.3f l %.3f %.3f l %.3f %.3f l S\n", x, y,
                        x + s, y, x + s, y + s, x, y + s, x, y);
          break;
        case 1: {  // circle of four curves
          double r = s / 2, k = r * 0.5523;
          std::snprintf(
              text, sizeof text,
              "%.3f %.3f m %.3f %.3f %.3f %.3f %.3f %.3f c %.3f %.3f %.3f %.3f %.3f "
              "%.3f c %.3f %.3f %.3f %.3f %.3f %.3f c %.3f %.3f %.3f %.3f %.3f %.3f c S\n",
              x + r, y, x + r, y + k, x + k, y + r, x, y + r, x - k, y + r, x - r, y + k, x - r, y,
              x - r, y - k, x - k, y - r, x, y - r, x + k, y - r, x + r, y - k, x + r, y);
          break;
        }
        default:  // an open curve-and-line path
          std::snprintf(text, sizeof text,
                        "%.3f %.3f m %.3f %.3f %.3f %.3f %.3f %.3f c %.3f %.3f l S\n", x, y,
                        x + s / 3, y + s, x + 2 * s / 3, y - s, x + s, y, x + s, y + s / 2);
      }
      out += text;
      if (out.size() > (1 << 20)) {
        std::fwrite(out.data(), 1, out.size(), f);
        out.clear();
      }
    }
    out += "%%Trailer\n%%EOF\n";
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    return p;
  }();
  return path;
}

class NoProfile : public orvex::Profile {
 public:
  int ReadInt(std::string_view, std::string_view, int value) override { return value; }
  std::string ReadString(std::string_view, std::string_view, std::string_view value) override {
    return std::string(value);
  }
  bool WriteInt(std::string_view, std::string_view, int) override { return true; }
  bool WriteString(std::string_view, std::string_view, std::string_view) override { return true; }
};

class FileView : public orvex::LoaderView {
 public:
  explicit FileView(std::string file) : file_(std::move(file)) {}
  bool AskOpenFile(const std::vector<orvex::FileFilter>&, std::string& path) override {
    path = file_;
    return true;
  }
  void ShowMessage(const orvex::OperatorMessage& m) override { message = m.text; }
  void SetControlText(int, std::string_view) override {}
  void EnableControl(int, bool) override {}
  int ComboSelection(int) override { return 0; }
  void SetComboSelection(int, int) override {}
  int FieldValue(int) override { return 5; }
  void SetFieldValue(int, int) override {}
  void MembersToControls() override {}
  std::string message;

 private:
  std::string file_;
};

class BlankCanvas : public orvex::PreviewCanvas {
 public:
  int Width() const override { return 800; }
  int Height() const override { return 600; }
  orvex::PreviewRect Target() const override { return {0, 0, 780, 580}; }
  void Clear(int, int) override {}
  void SelectPen(orvex::PreviewPen) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override { ++lines; }
  long lines = 0;
};

double PeakRssMb(int who) {
  rusage usage{};
  ::getrusage(who, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_ImportPipeline(benchmark::State& state) {
  const std::filesystem::path eps = GeneratedEps();
  const std::filesystem::path work = BenchDir() / "work";
  std::filesystem::create_directories(work);
  NoProfile profile;
  FileView view(eps.string());
  BlankCanvas canvas;
  long contours = 0;
  for (auto _ : state) {
    orvex::RunContext context;
    orvex::JobLoader loader(context, orvex::WorkDir(work), view, canvas, profile);
    const orvex::LoadReport& report = loader.LoadJob();
    if (report.outcome != orvex::LoadOutcome::kLoaded) {
      state.SkipWithError(("the job did not load: " + view.message).c_str());
      return;
    }
    contours = report.cutContours;
  }
  state.counters["eps_MB"] = static_cast<double>(std::filesystem::file_size(eps)) / 1e6;
  state.counters["sort_MB"] =
      static_cast<double>(std::filesystem::file_size(work / "sort.prn")) / 1e6;
  state.counters["contours"] = static_cast<double>(contours);
  state.counters["peak_RSS_MB"] = PeakRssMb(RUSAGE_SELF);
}
BENCHMARK(BM_ImportPipeline)->Unit(benchmark::kMillisecond)->Iterations(3);

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string list = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::filesystem::path candidate =
        std::filesystem::path(list.substr(start, end - start)) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Runs a peer program with its output discarded; returns the child's peak RSS in MB, or -1.
double RunPeer(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int error = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return -1;
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) return -1;
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_GhostscriptNullpage(benchmark::State& state) {
  if (!OnPath("gs")) {
    state.SkipWithError("gs not installed (apt-get install ghostscript)");
    return;
  }
  const std::string eps = GeneratedEps().string();
  double rss = 0;
  for (auto _ : state) {
    rss = RunPeer(
        {"gs", "-q", "-dNODISPLAY", "-sDEVICE=nullpage", "-dBATCH", "-dNOPAUSE", "-dSAFER", eps});
  }
  state.counters["peak_RSS_MB"] = rss;
}
BENCHMARK(BM_GhostscriptNullpage)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PstoeditHpgl(benchmark::State& state) {
  if (!OnPath("pstoedit")) {
    state.SkipWithError("pstoedit not installed (apt-get install pstoedit)");
    return;
  }
  const std::string eps = GeneratedEps().string();
  const std::string out = (BenchDir() / "large.hpgl").string();
  double rss = 0;
  for (auto _ : state) rss = RunPeer({"pstoedit", "-f", "hpgl", eps, out});
  state.counters["peak_RSS_MB"] = rss;
}
BENCHMARK(BM_PstoeditHpgl)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(BenchDir(), ignored);
  return 0;
}
