// libFuzzer target for everything that reads the cut-path files after the parser: the mark
// locator, the multiple special lines and the flattening into sort.prn, driven through the job
// loader. The input becomes PSINT and TPSINT as they stand; whatever they hold, the load must
// end in one of its messages or a job, within the time limit.
#include "import/job_loader.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "core/profile.h"
#include "core/run_context.h"
#include "core/work_dir.h"

namespace {

const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = std::filesystem::exists("/dev/shm") ? "/dev/shm/orvex-fuzz-XXXXXX"
                                                              : "/tmp/orvex-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return std::filesystem::path(pattern);
  }();
  return dir;
}

void Write(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Input {
  std::string_view psint;
  std::string_view tpsint;
  orvex::GraphicSummary summary;
};

class FilesParser : public orvex::GraphicParser {
 public:
  explicit FilesParser(const Input& input) : input_(input) {}
  bool ParseEps(const std::filesystem::path&, int) override { return Run(); }
  bool ParseAi(const std::filesystem::path&) override { return Run(); }
  orvex::GraphicSummary Summary() const override { return input_.summary; }

 private:
  bool Run() {
    Write(WorkDir() / "PSINT", input_.psint);
    std::filesystem::remove(WorkDir() / "TPSINT");
    if (!input_.tpsint.empty()) Write(WorkDir() / "TPSINT", input_.tpsint);
    return input_.psint.size() >= 8;
  }
  const Input& input_;
};

class NoProfile : public orvex::Profile {
 public:
  int ReadInt(std::string_view, std::string_view, int value) override { return value; }
  std::string ReadString(std::string_view, std::string_view, std::string_view value) override {
    return std::string(value);
  }
  bool WriteInt(std::string_view, std::string_view, int) override { return true; }
  bool WriteString(std::string_view, std::string_view, std::string_view) override { return true; }
};

class FixedView : public orvex::LoaderView {
 public:
  FixedView(int markMode, int multiple, int spacing)
      : markMode_(markMode), multiple_(multiple), spacing_(spacing) {}
  bool AskOpenFile(const std::vector<orvex::FileFilter>&, std::string& path) override {
    path = (WorkDir() / "job.eps").string();
    return true;
  }
  void ShowMessage(const orvex::OperatorMessage&) override {}
  void SetControlText(int, std::string_view) override {}
  void EnableControl(int, bool) override {}
  int ComboSelection(int id) override {
    if (id == orvex::control::kMarkMode) return markMode_;
    if (id == orvex::control::kMultiple) return multiple_;
    return 0;
  }
  void SetComboSelection(int, int) override {}
  int FieldValue(int id) override { return id == orvex::control::kSpacing ? spacing_ : 0; }
  void SetFieldValue(int, int) override {}
  void MembersToControls() override {}

 private:
  int markMode_, multiple_, spacing_;
};

class ClippedCanvas : public orvex::PreviewCanvas {
 public:
  int Width() const override { return 400; }
  int Height() const override { return 300; }
  orvex::PreviewRect Target() const override { return {0, 0, 390, 290}; }
  void Clear(int, int) override {}
  void SelectPen(orvex::PreviewPen) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  // Byte 0: mark mode and number of lines; byte 1: spacing; byte 2-3: the job's lower-left corner.
  const int markMode = data[0] & 1;
  const int multiple = (data[0] >> 1) % 5;
  const int spacing = 1 + data[1] % 20;
  Input input;
  input.summary.minX = static_cast<float>(data[2]) - 50.0F;
  input.summary.minY = static_cast<float>(data[3]) - 50.0F;
  input.summary.maxX = input.summary.minX + 300.0F;
  input.summary.maxY = input.summary.minY + 400.0F;
  input.summary.specialCount = 1;
  std::string_view rest(reinterpret_cast<const char*>(data + 4), size - 4);
  // The two files are separated by the first "|".
  std::size_t bar = rest.find('|');
  input.psint = rest.substr(0, bar);
  if (bar != std::string_view::npos) input.tpsint = rest.substr(bar + 1);

  orvex::RunContext context;
  FixedView view(markMode, multiple, spacing);
  ClippedCanvas canvas;
  NoProfile profile;
  Write(WorkDir() / "job.eps", "x");
  orvex::JobLoader loader(context, orvex::WorkDir(WorkDir()), view, canvas, profile);
  loader.SetParserFactory(
      [&input](const std::filesystem::path&) { return std::make_unique<FilesParser>(input); });
  loader.LoadJob();
  return 0;
}
