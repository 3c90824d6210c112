// In-memory stand-ins for the ports a job load goes through: the window's side of the load, the
// preview it draws and the converters in front of the parser. They record what the loader did
// and answer what a test set; the loader's tests and the app models' tests share them.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/pdf_converter.h"
#include "import/eps_converter.h"
#include "import/loader_view.h"
#include "import/preview_canvas.h"
#include "support/temp_dir.h"

namespace orvex::test {

class FakeLoaderView : public LoaderView {
 public:
  bool AskOpenFile(const std::vector<FileFilter>&, std::string& path) override {
    ++dialogs;
    path = answer;
    return answerOk;
  }
  void ShowMessage(const OperatorMessage& message) override { messages.push_back(message); }
  bool ConfirmWarning(const OperatorMessage& message) override {
    questions.push_back(message);
    return confirm;
  }
  void SetControlText(int id, std::string_view text) override { texts[id] = std::string(text); }
  void EnableControl(int id, bool on) override { enabled[id] = on; }
  int ComboSelection(int id) override { return combos[id]; }
  void SetComboSelection(int id, int index) override { combos[id] = index; }
  int FieldValue(int id) override { return fields[id]; }
  void SetFieldValue(int id, int value) override { fields[id] = value; }
  void MembersToControls() override {}
  void SpecialModeChangedDuringLoad() override { ++modeHandlerRuns; }

  bool answerOk = true, confirm = true;
  std::string answer;
  int dialogs = 0, modeHandlerRuns = 0;
  std::vector<OperatorMessage> messages, questions;
  std::map<int, std::string> texts;
  std::map<int, int> combos, fields;
  std::map<int, bool> enabled;
};

// A pane of the null canvas's size; counts the loads that reached the drawing and, since the
// last of them, the lines drawn with each pen.
class FakePreviewCanvas : public NullPreviewCanvas {
 public:
  void Clear(int width, int height) override {
    ++clears;
    cleared = {width, height};
    lines.clear();
  }
  void SelectPen(PreviewPen pen) override { pen_ = pen; }
  void LineTo(int, int) override { ++lines[pen_]; }

  int clears = 0;
  std::pair<int, int> cleared;
  std::map<PreviewPen, int> lines;

 private:
  PreviewPen pen_ = PreviewPen::kCut;
};

// The PDF converter or the EPS redraw, installed or not: when it says converted, `output` is
// the PostScript it wrote.
class FakePdf : public PdfConverter, public EpsConverter {
 public:
  explicit FakePdf(bool installed = false) : available(installed) {}
  bool Available() override { return available; }
  PdfConversion Convert(const std::string& from, const std::string& postScript) override {
    convertedFrom = from;
    outputExistedBefore = std::filesystem::exists(postScript);
    if (result == PdfConversion::kConverted) WriteFileBytes(postScript, output);
    return result;
  }
  std::string FailureReason() const override { return reason; }

  bool available, outputExistedBefore = true;
  PdfConversion result = PdfConversion::kConverted;
  std::string output = "%!PS\n", reason, convertedFrom;
};

}  // namespace orvex::test
