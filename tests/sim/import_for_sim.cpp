// A headless import for the twin's end-to-end tests: the real loader and parser over a view
// that answers the file dialog and keeps the messages.
#include "import_for_sim.h"

#include <vector>

#include "core/work_dir.h"
#include "import/job_loader.h"
#include "support/memory_profile.h"

namespace orvex::sim {
namespace {

class HeadlessView : public LoaderView {
 public:
  explicit HeadlessView(std::string graphic) : graphic_(std::move(graphic)) {}
  bool AskOpenFile(const std::vector<FileFilter>& /*filters*/, std::string& path) override {
    path = graphic_;
    return true;
  }
  void ShowMessage(const OperatorMessage& message) override { messages.push_back(message.text); }
  void SetControlText(int /*id*/, std::string_view /*text*/) override {}
  void EnableControl(int /*id*/, bool /*enabled*/) override {}
  int ComboSelection(int id) override { return id == control::kSpecialMode ? 1 : 0; }
  void SetComboSelection(int /*id*/, int /*index*/) override {}
  int FieldValue(int /*id*/) override { return 0; }
  void SetFieldValue(int /*id*/, int /*value*/) override {}
  void MembersToControls() override {}
  std::vector<std::string> messages;

 private:
  std::string graphic_;
};

class NoCanvas : public PreviewCanvas {
 public:
  int Width() const override { return 420; }
  int Height() const override { return 310; }
  PreviewRect Target() const override { return {0, 0, 400, 300}; }
  void Clear(int /*width*/, int /*height*/) override {}
  void SelectPen(PreviewPen /*pen*/) override {}
  void MoveTo(int /*x*/, int /*y*/) override {}
  void LineTo(int /*x*/, int /*y*/) override {}
};

}  // namespace

bool ImportGraphic(const std::string& graphic, const std::filesystem::path& workDir,
                   RunContext& ctx, std::string& message) {
  HeadlessView view(graphic);
  NoCanvas canvas;
  test::MemoryProfile profile;
  JobLoader loader(ctx, WorkDir(workDir), view, canvas, profile);
  const LoadReport& report = loader.LoadJob();
  message = report.message;
  return report.outcome == LoadOutcome::kLoaded;
}

}  // namespace orvex::sim
