// A headless import for the twin's end-to-end tests: the real loader and parser over a view
// that answers the file dialog and keeps the messages.
#include "import_for_sim.h"

#include <vector>

#include "core/memory_profile.h"
#include "core/work_dir.h"
#include "import/job_loader.h"
#include "import/preview_canvas.h"

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
  int ComboSelection(int /*id*/) override { return 0; }
  void SetComboSelection(int /*id*/, int /*index*/) override {}
  int FieldValue(int /*id*/) override { return 0; }
  void SetFieldValue(int /*id*/, int /*value*/) override {}
  void MembersToControls() override {}
  std::vector<std::string> messages;

 private:
  std::string graphic_;
};

}  // namespace

bool ImportGraphic(const std::string& graphic, const std::filesystem::path& workDir,
                   RunContext& ctx, std::string& message) {
  HeadlessView view(graphic);
  NullPreviewCanvas canvas;
  MemoryProfile profile;
  JobLoader loader(ctx, WorkDir(workDir), view, canvas, profile);
  const LoadReport& report = loader.LoadJob();
  message = report.message;
  return report.outcome == LoadOutcome::kLoaded;
}

}  // namespace orvex::sim
