// The job loader end to end over fake ports: the file it picks, the messages it shows, sort.prn
// byte for byte, the window and run-context set-up of a loaded job.
#include "import/job_loader.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "support/manual_clock.h"
#include "support/memory_profile.h"
#include "support/small_tmpfs.h"
#include "support/hand_written_eps.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

class FakeView : public LoaderView {
 public:
  bool AskOpenFile(const std::vector<FileFilter>& filters, std::string& path) override {
    ++dialogs;
    lastFilters = filters;
    path = answer;
    return answerOk;
  }
  void ShowMessage(const OperatorMessage& message) override { messages.push_back(message); }
  bool ConfirmWarning(const OperatorMessage& message) override {
    questions.push_back(message);
    return confirm;
  }
  void SetControlText(int id, std::string_view text) override { texts[id] = std::string(text); }
  void EnableControl(int id, bool enabled) override { enabled_[id] = enabled; }
  int ComboSelection(int id) override { return combos[id]; }
  void SetComboSelection(int id, int index) override { combos[id] = index; }
  int FieldValue(int id) override { return fields[id]; }
  void SetFieldValue(int id, int value) override { fields[id] = value; }
  void MembersToControls() override { ++transfers; }
  void SpecialModeChangedDuringLoad() override { ++modeHandlerRuns; }

  bool IsEnabled(int id) const {
    auto it = enabled_.find(id);
    return it != enabled_.end() && it->second;
  }

  bool answerOk = true;
  std::string answer;
  int dialogs = 0;
  std::vector<FileFilter> lastFilters;
  std::vector<OperatorMessage> messages;
  std::vector<OperatorMessage> questions;
  bool confirm = true;
  std::map<int, std::string> texts;
  std::map<int, int> combos;
  std::map<int, int> fields;
  int transfers = 0;
  int modeHandlerRuns = 0;

 private:
  std::map<int, bool> enabled_;
};

class FakeCanvas : public PreviewCanvas {
 public:
  int Width() const override { return 420; }
  int Height() const override { return 310; }
  PreviewRect Target() const override { return {0, 0, 400, 300}; }
  void Clear(int width, int height) override {
    clears.push_back({width, height});
    lines.clear();
  }
  void SelectPen(PreviewPen pen) override { pen_ = pen; }
  void MoveTo(int, int) override {}
  void LineTo(int, int) override { ++lines[pen_]; }

  std::vector<std::pair<int, int>> clears;
  std::map<PreviewPen, int> lines;

 private:
  PreviewPen pen_ = PreviewPen::kCut;
};

// Stands in for the path parser: writes the cut-path files it was given.
struct ParserScript {
  bool result = true;
  std::string psint;
  std::string tpsint;  // empty: no special paths (no TPSINT)
  GraphicSummary summary;
  std::vector<std::string> calls;  // "eps:<kind>:<path>" or "ai:<path>"
};

class ScriptedParser : public GraphicParser {
 public:
  ScriptedParser(ParserScript& script, std::filesystem::path workDir)
      : script_(script), workDir_(std::move(workDir)) {}
  bool ParseEps(const std::filesystem::path& graphic, int kind) override {
    script_.calls.push_back("eps:" + std::to_string(kind) + ":" + graphic.string());
    return Write();
  }
  bool ParseAi(const std::filesystem::path& graphic) override {
    script_.calls.push_back("ai:" + graphic.string());
    return Write();
  }
  GraphicSummary Summary() const override { return script_.summary; }

 private:
  bool Write() {
    test::WriteFileBytes(workDir_ / "PSINT", script_.psint);
    std::filesystem::remove(workDir_ / "TPSINT");
    if (!script_.tpsint.empty()) test::WriteFileBytes(workDir_ / "TPSINT", script_.tpsint);
    return script_.result;
  }
  ParserScript& script_;
  std::filesystem::path workDir_;
};

class FakePdf : public PdfConverter {
 public:
  bool Available() override { return available; }
  PdfConversion Convert(const std::string& pdf, const std::string& ps) override {
    convertedFrom = pdf;
    outputExistedBefore = std::filesystem::exists(ps);
    if (result == PdfConversion::kConverted) test::WriteFileBytes(ps, output);
    return result;
  }
  std::string FailureReason() const override { return reason; }
  bool available = true;
  PdfConversion result = PdfConversion::kConverted;
  std::string output = "%!PS\n";
  std::string reason;
  std::string convertedFrom;
  bool outputExistedBefore = true;
};

// The Ghostscript route: writes `output` as the redrawn PostScript and tells the scripted parser
// what that parse yields.
class FakeEps : public EpsConverter {
 public:
  bool Available() override { return true; }
  PdfConversion Convert(const std::string& eps, const std::string& ps) override {
    convertedFrom = eps;
    if (result == PdfConversion::kConverted) test::WriteFileBytes(ps, "%!PS redrawn\n");
    return result;
  }
  std::string FailureReason() const override { return "gs: Unrecoverable error"; }
  PdfConversion result = PdfConversion::kConverted;
  std::string convertedFrom;
};

class RecordingCamera : public CameraGraphControl {
 public:
  void TearDown() override { calls += "down "; }
  void Rebuild() override { calls += "up "; }
  void RefreshSettings() override { calls += "refresh "; }
  std::string calls;
};

class RecordingRecent : public RecentJobs {
 public:
  void RestoreFor(const std::string& path) override { restored.push_back(path); }
  std::vector<std::string> restored;
};

// A 4 mm square mark with its lower-left corner at (x, y).
std::string Mark(int x, int y) {
  char text[256];
  std::snprintf(text, sizeof text,
                "M \nL %d.00 %d.00 %d.00 %d.00 \nL %d.00 %d.00 %d.00 %d.00 \n"
                "L %d.00 %d.00 %d.00 %d.00 \nL %d.00 %d.00 %d.00 %d.00 \n",
                x, y, x + 4, y, x + 4, y, x + 4, y + 4, x + 4, y + 4, x, y + 4, x, y + 4, x, y);
  return text;
}

// Bottom marks at x 10 and 210, an open label line, a curve cut in six steps, and a top mark.
std::string StandardPsint() {
  return Mark(10, 5) + "O \nL 50.00 50.00 60.00 50.00 \n" +
         "M \nC 20.00 20.00 23.00 20.00 21.00 20.00 22.00 20.00 \n" + Mark(210, 5) + Mark(10, 290);
}

GraphicSummary StandardSummary() {
  GraphicSummary s;
  s.minX = 10;
  s.minY = 5;
  s.maxX = 214;
  s.maxY = 294;
  s.width = 204;
  s.height = 289;
  return s;
}

const char* const kStandardCutSection =
    "O 40.00 45.00\nL 50.00 45.00\n"
    "M 10.00 15.00\nC 10.50 15.00\nC 11.00 15.00\nC 11.50 15.00\nC 12.00 15.00\nC 12.50 15.00\n"
    "C 13.00 15.00\n"
    "M 0.00 285.00\nL 4.00 285.00\nL 4.00 289.00\nL 0.00 289.00\nL 0.00 285.00\n";

class JobLoaderTest : public ::testing::Test {
 protected:
  JobLoaderTest() : loader_(context_, WorkDir(dir_.Path()), view_, canvas_, profile_) {
    loader_.SetParserFactory([this](const std::filesystem::path& workDir) {
      return std::make_unique<ScriptedParser>(script_, workDir);
    });
    loader_.SetCameraGraph(&camera_);
    loader_.SetRecentJobs(&recent_);
    loader_.SetClock(&clock_);
    script_.psint = StandardPsint();
    script_.summary = StandardSummary();
    graphic_ = dir_.File("job.eps").string();
    dir_.Write("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n");
    view_.answer = graphic_;
  }

  test::TempDir dir_;
  RunContext context_;
  FakeView view_;
  FakeCanvas canvas_;
  test::MemoryProfile profile_;
  RecordingCamera camera_;
  RecordingRecent recent_;
  test::ManualClock clock_;
  ParserScript script_;
  JobLoader loader_;
  std::string graphic_;
};

TEST_F(JobLoaderTest, JobWithoutSpecialPathsWritesTheCutSectionThenA) {
  const LoadReport& report = loader_.LoadJob();
  ASSERT_EQ(report.outcome, LoadOutcome::kLoaded) << report.message;
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(dir_.Read("sort.prn"), std::string(kStandardCutSection) + "A");
  EXPECT_EQ(context_.specialEnd, 0);
  EXPECT_EQ(context_.importSpecialEnd, 0);
  EXPECT_EQ(report.cutContours, 3);
  EXPECT_NEAR(report.cutLengthMm, 10.0 + 3.0 + 16.0, 1e-4);
  // The excluded marks are still drawn: 4 + 4 mark lines, 1 label line, 6 curve lines, 4 top.
  EXPECT_EQ(canvas_.lines[PreviewPen::kCut], 19);
  EXPECT_EQ(canvas_.lines[PreviewPen::kSpecial], 0);
  EXPECT_EQ(canvas_.clears.front(), std::make_pair(418, 308));
  // mk3.dat and the run context's mark positions.
  EXPECT_EQ(dir_.Read("mk3.dat"), "2.000000 2.000000\n202.000000 2.000000\n2.000000 287.000000\n");
  EXPECT_FLOAT_EQ(context_.importFirstMark, 2.0F);
  EXPECT_FLOAT_EQ(context_.firstMarkPos, 2.0F);
  EXPECT_FLOAT_EQ(context_.importSecondMark, 202.0F);
  EXPECT_FLOAT_EQ(context_.secondMarkPos, 202.0F);
  EXPECT_FLOAT_EQ(context_.jobWidth, 204.0F);
  EXPECT_FLOAT_EQ(context_.jobHeight, 289.0F);
}

TEST_F(JobLoaderTest, SpecialPathsComeFirstAndSpecialEndFollowsTheirLineEnd) {
  script_.tpsint =
      "M \nL 30.00 100.00 130.00 100.00 \nM \nC 30.00 100.00 30.00 100.00 "
      "30.00 100.00 30.00 100.00 \n";
  script_.summary.specialCount = 2;
  view_.combos[control::kSpecialMode] = 2;
  const LoadReport& report = loader_.LoadJob();
  ASSERT_EQ(report.outcome, LoadOutcome::kLoaded) << report.message;
  const std::string special = "M 20.00 95.00\nL 120.00 95.00\nM 20.00 95.00\nC 20.00 95.00\n\n";
  EXPECT_EQ(dir_.Read("sort.prn"), special + kStandardCutSection + "A");
  EXPECT_EQ(context_.specialEnd, static_cast<long>(special.size()));
  EXPECT_EQ(context_.importSpecialEnd, context_.specialEnd);
  EXPECT_EQ(context_.specialCount, 2);
  EXPECT_EQ(context_.specialPresent, 1);
  EXPECT_EQ(context_.specialMode, 2);
  EXPECT_EQ(canvas_.lines[PreviewPen::kSpecial], 2);
  EXPECT_TRUE(view_.IsEnabled(control::kSpecialMode));
  EXPECT_FALSE(view_.IsEnabled(control::kStartButton));
  EXPECT_TRUE(view_.IsEnabled(control::kSpecialCutForce));
  EXPECT_TRUE(view_.IsEnabled(control::kSpecialSpeed));
  // A mode other than the dashed line keeps the dash lengths disabled.
  EXPECT_FALSE(view_.IsEnabled(control::kSpecialCutLength));
  EXPECT_FALSE(view_.IsEnabled(control::kSpecialUpLength));
  EXPECT_EQ(view_.modeHandlerRuns, 0);
}

TEST_F(JobLoaderTest, MarksAreCutWhenTheMarkModeSaysSo) {
  view_.combos[control::kMarkMode] = 1;
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  std::string sort = dir_.Read("sort.prn");
  EXPECT_EQ(sort.rfind("M 0.00 0.00\nL 4.00 0.00\nL 4.00 4.00\nL 0.00 4.00\nL 0.00 0.00\nO ", 0),
            0U);
  EXPECT_EQ(loader_.Report().cutContours, 5);
}

TEST_F(JobLoaderTest, CurveStepsFollowTheLengthAndBadCurvesAreOneStep) {
  // L = 100 -> 20 steps: 19 intermediate points and the end point.
  script_.psint = Mark(10, 5) + Mark(210, 5) +
                  "M \nC 20.00 20.00 70.00 20.00 45.00 20.00 45.00 20.00 \n" +
                  "M \nC 20.00 30.00 nan 30.00 21.00 30.00 22.00 30.00 \n";
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  std::string sort = dir_.Read("sort.prn");
  std::size_t firstStart = sort.find("M 10.00 15.00\n");
  std::size_t secondStart = sort.find("M 10.00 25.00\n");
  ASSERT_NE(firstStart, std::string::npos);
  ASSERT_NE(secondStart, std::string::npos);
  std::string first = sort.substr(firstStart, secondStart - firstStart);
  EXPECT_EQ(std::count(first.begin(), first.end(), 'C'), 20);
  // The curve with a length that is not a number gets its end point only.
  EXPECT_EQ(sort.substr(secondStart), "M 10.00 25.00\nC nan 25.00\nA");
}

TEST_F(JobLoaderTest, CancelledDialogAndUnknownSpellingsAreFileNotFound) {
  for (std::string name : {std::string(), std::string("job.Eps"), std::string("job.txt")}) {
    view_.messages.clear();
    view_.answerOk = !name.empty();
    view_.answer = dir_.File(name.empty() ? "x" : name).string();
    if (!name.empty()) dir_.Write(name, "data");
    const LoadReport& report = loader_.LoadJob();
    EXPECT_EQ(report.outcome, LoadOutcome::kEnded) << name;
    ASSERT_EQ(view_.messages.size(), 1U) << name;
    EXPECT_EQ(view_.messages[0].text, "File not found");
    EXPECT_EQ(view_.messages[0].captionKind, MessageCaption::kApplicationTitle);
    EXPECT_EQ(view_.messages[0].icon, MessageIcon::kError);
    EXPECT_EQ(context_.statusStep, 60);
    EXPECT_EQ(context_.lastJobFlag, 2);
    EXPECT_EQ(context_.displayState, -2);
    EXPECT_TRUE(script_.calls.empty());
  }
}

TEST_F(JobLoaderTest, KindsFromEverySpelling) {
  EXPECT_EQ(JobLoader::KindFromExtension("eps"), kKindEps);
  EXPECT_EQ(JobLoader::KindFromExtension("EPS"), kKindEps);
  EXPECT_EQ(JobLoader::KindFromExtension("ai"), kKindAi);
  EXPECT_EQ(JobLoader::KindFromExtension("AI"), kKindAi);
  EXPECT_EQ(JobLoader::KindFromExtension("Ai"), kKindAi);
  EXPECT_EQ(JobLoader::KindFromExtension("aI"), kKindNone);
  EXPECT_EQ(JobLoader::KindFromExtension("Eps"), kKindNone);
  EXPECT_EQ(JobLoader::KindFromExtension(""), kKindNone);
  EXPECT_EQ(JobLoader::Filters(true).size(), 4U);
  EXPECT_EQ(JobLoader::Filters(true)[0].pattern, "*.AI;*.EPS;*.PDF");
  EXPECT_EQ(JobLoader::Filters(false)[0].label, "(*.AI *.EPS)");
}

TEST_F(JobLoaderTest, ParserRefusalLeavesTheNewPathShownAndSortUntouched) {
  dir_.Write("sort.prn", "previous");
  script_.result = false;
  const LoadReport& report = loader_.LoadJob();
  EXPECT_EQ(report.outcome, LoadOutcome::kFailed);
  ASSERT_EQ(view_.messages.size(), 1U);
  EXPECT_EQ(view_.messages[0].text,
            "Graphic file not saved correctly\nPlease check the instructions");
  EXPECT_EQ(view_.messages[0].icon, MessageIcon::kError);
  EXPECT_EQ(view_.texts[control::kCurrentJobLabel], "Current job: " + graphic_);
  EXPECT_EQ(context_.currentJobPath, graphic_);
  EXPECT_EQ(context_.statusStep, 60);
  EXPECT_EQ(dir_.Read("sort.prn"), "previous");
  EXPECT_EQ(canvas_.clears.size(), 1U);
  EXPECT_EQ(camera_.calls, "");
}

TEST_F(JobLoaderTest, MarksCloserThanFiftyMillimetresAreRefused) {
  struct Case {
    std::string right;
    bool refused;
  };
  // Centres 12 and 61.9 are 49.9 apart; 12 and 62 exactly 50.
  for (const Case& c : {Case{"M \nL 59.90 5.00 63.90 5.00 \nL 63.90 5.00 63.90 9.00 \n", true},
                        Case{"M \nL 60.00 5.00 64.00 5.00 \nL 64.00 5.00 64.00 9.00 \n", false}}) {
    view_.messages.clear();
    dir_.Write("sort.prn", "previous");
    script_.psint = Mark(10, 5) + c.right + Mark(10, 290);
    script_.summary.minX = 0;
    script_.summary.minY = 0;
    const LoadReport& report = loader_.LoadJob();
    if (c.refused) {
      EXPECT_EQ(report.outcome, LoadOutcome::kFailed);
      ASSERT_EQ(view_.messages.size(), 1U);
      EXPECT_EQ(view_.messages[0].text,
                "Black marks not aligned or overlapped\nPlease check the graphic design. ");
      EXPECT_EQ(view_.messages[0].captionKind, MessageCaption::kGiven);
      EXPECT_EQ(view_.messages[0].caption, "Black marks error !");
      EXPECT_TRUE(view_.messages[0].taskModal);
      EXPECT_EQ(dir_.Read("sort.prn"), "previous");
      EXPECT_TRUE(dir_.Exists("mk3.dat"));
      EXPECT_EQ(context_.statusStep, 60);
    } else {
      EXPECT_EQ(report.outcome, LoadOutcome::kLoaded) << report.message;
    }
  }
}

TEST_F(JobLoaderTest, AJobWithOnePathIsRefusedAsUnpairedMarks) {
  script_.psint = Mark(10, 5);
  EXPECT_EQ(loader_.LoadJob().outcome, LoadOutcome::kFailed);
  ASSERT_EQ(view_.messages.size(), 1U);
  EXPECT_EQ(view_.messages[0].caption, "Black marks error !");
}

TEST_F(JobLoaderTest, LastJobIsTakenFromTheProfileWithoutADialog) {
  std::string ai = dir_.File("label.ai").string();
  dir_.Write("label.ai", "%!PS-Adobe");
  profile_.WriteString(kProfileSection, "LastJob", ai);
  EXPECT_EQ(loader_.OpenLastJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(view_.dialogs, 0);
  ASSERT_EQ(script_.calls.size(), 1U);
  EXPECT_EQ(script_.calls[0], "ai:" + ai);
  EXPECT_EQ(context_.lastJobFlag, 2);
  EXPECT_EQ(recent_.restored, std::vector<std::string>{ai});

  // A plain File Open afterwards asks again: the flag must be set for every reuse.
  loader_.LoadJob();
  EXPECT_EQ(view_.dialogs, 1);
}

TEST_F(JobLoaderTest, LastJobPlaceholderFallsBackToTheDialogAndAMissingOneIsNotFound) {
  EXPECT_EQ(loader_.OpenLastJob().outcome, LoadOutcome::kLoaded);  // LastJob defaults to "-"
  EXPECT_EQ(view_.dialogs, 1);

  profile_.WriteString(kProfileSection, "LastJob", dir_.File("gone.eps").string());
  EXPECT_EQ(loader_.OpenLastJob().outcome, LoadOutcome::kEnded);
  ASSERT_EQ(view_.messages.size(), 1U);
  EXPECT_EQ(view_.messages[0].text, "File not found");
  EXPECT_EQ(view_.dialogs, 1);
}

TEST_F(JobLoaderTest, ReopenRequestReloadsTheCurrentJob) {
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  view_.answerOk = false;
  context_.reopenRequest = 1;
  EXPECT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(view_.dialogs, 1);
  EXPECT_EQ(context_.reopenRequest, 0);
  EXPECT_EQ(script_.calls.back(), "eps:1:" + graphic_);
}

TEST_F(JobLoaderTest, APdfJobIsKnownByItsOwnPathAndParsedFromAFreshConversion) {
  FakePdf pdf;
  loader_.SetPdfConverter(&pdf);
  context_.pdfAvailable = 1;
  dir_.Write("out.ps", "the previous PDF");
  dir_.Write("sheet.PDF", "%PDF-1.4");
  const std::string sheet = dir_.File("sheet.PDF").string();
  view_.answer = sheet;
  const LoadReport& report = loader_.LoadJob();
  EXPECT_EQ(report.outcome, LoadOutcome::kLoaded);
  EXPECT_FALSE(pdf.outputExistedBefore);
  EXPECT_EQ(pdf.convertedFrom, sheet);
  const std::string outPs = dir_.File("out.ps").string();
  EXPECT_EQ(script_.calls.back(), "eps:3:" + outPs);
  // Every PDF job converts into the same out.ps: the job is the PDF, so the report, LastJob
  // and the per-job settings tell one PDF job from another.
  EXPECT_EQ(report.jobPath, sheet);
  EXPECT_EQ(context_.currentJobPath, sheet);
  EXPECT_EQ(view_.texts[control::kCurrentJobLabel], "Current job: " + sheet);
  EXPECT_EQ(view_.lastFilters.size(), 4U);

  // A reload of the same job parses its conversion again; Open last job converts anew.
  pdf.convertedFrom.clear();
  context_.reopenRequest = 1;
  EXPECT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_TRUE(pdf.convertedFrom.empty());
  profile_.WriteString(kProfileSection, "LastJob", sheet);
  EXPECT_EQ(loader_.OpenLastJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(pdf.convertedFrom, sheet);
  EXPECT_EQ(script_.calls.back(), "eps:3:" + outPs);

}

// A PDF that does not convert is a bad graphic with the converter's reason, never the start-up
// job that the parser would read in place of a missing out.ps.
TEST_F(JobLoaderTest, AFailedConversionEndsWithTheConvertersReasonNotWithKvostart) {
  FakePdf pdf;
  loader_.SetPdfConverter(&pdf);
  context_.pdfAvailable = 1;
  dir_.Write("KVOSTART.DAT", "%!PS the start-up job");
  dir_.Write("sheet.pdf", "%PDF-1.4 damaged");
  view_.answer = dir_.File("sheet.pdf").string();
  struct Case {
    PdfConversion result;
    std::string output;
    std::string reason;
    std::string shown;
  };
  const std::string bad = "Graphic file not saved correctly\nPlease check the instructions\n";
  for (const Case& c :
       {Case{PdfConversion::kFailed, "", "orvex-pdf2ps: sheet.pdf: the PDF is encrypted",
             bad + "orvex-pdf2ps: sheet.pdf: the PDF is encrypted"},
        Case{PdfConversion::kFailed, "", "", bad + "the PDF converter could not convert " +
                                                 view_.answer},
        Case{PdfConversion::kConverted, "", "", bad + "the PDF converter could not convert " +
                                                    view_.answer}}) {
    SCOPED_TRACE(c.shown);
    view_.messages.clear();
    script_.calls.clear();
    dir_.Write("out.ps", "the previous PDF");
    dir_.Write("sort.prn", "previous");
    pdf.result = c.result;
    pdf.output = c.output;
    pdf.reason = c.reason;
    const LoadReport& report = loader_.LoadJob();
    EXPECT_EQ(report.outcome, LoadOutcome::kFailed);
    ASSERT_EQ(view_.messages.size(), 1U);
    EXPECT_EQ(view_.messages[0].text, c.shown);
    EXPECT_EQ(view_.messages[0].icon, MessageIcon::kError);
    EXPECT_FALSE(report.converterReason.empty());
    EXPECT_TRUE(script_.calls.empty());  // nothing parsed: neither out.ps nor KVOSTART.DAT
    EXPECT_EQ(dir_.Read("sort.prn"), "previous");
    EXPECT_EQ(context_.currentJobPath, view_.answer);
    EXPECT_EQ(context_.statusStep, 60);
  }
}

TEST_F(JobLoaderTest, MissingConverterEndsTheLoadAndChangesNothing) {
  FakePdf pdf;
  pdf.available = false;
  loader_.SetPdfConverter(&pdf);
  context_.pdfAvailable = 1;
  context_.lastJobFlag = 0;
  dir_.Write("out.ps", "kept");
  dir_.Write("sheet.pdf", "%PDF-1.4");
  view_.answer = dir_.File("sheet.pdf").string();
  EXPECT_EQ(loader_.LoadJob().outcome, LoadOutcome::kEnded);
  ASSERT_EQ(view_.messages.size(), 1U);
  EXPECT_EQ(view_.messages[0].text, "Load pdftops.dll failed!");
  EXPECT_EQ(view_.messages[0].captionKind, MessageCaption::kPlatformDefault);
  EXPECT_EQ(view_.messages[0].icon, MessageIcon::kNone);
  EXPECT_EQ(context_.lastJobFlag, 0);
  EXPECT_EQ(context_.displayState, 0);
  EXPECT_EQ(context_.statusStep, 60);  // the status polling is not left waiting 5000 ticks
  EXPECT_EQ(dir_.Read("out.ps"), "kept");
  // Without PDF in the list, a .pdf is an unknown kind.
  context_.pdfAvailable = 0;
  view_.messages.clear();
  loader_.LoadJob();
  EXPECT_EQ(view_.messages[0].text, "File not found");
}

TEST_F(JobLoaderTest, CameraChoiceFollowsJobHeightAndMediaWidth) {
  struct Case {
    float height;
    int media;
    int second;
  };
  profile_.WriteInt(kProfileSection, "deltaX", 85);
  for (const Case& c : {Case{289, 500, 1}, Case{289, 600, 0}, Case{289, 450, 0}, Case{400, 700, 1},
                        Case{375, 700, 0}, Case{400, 600, 0}}) {
    script_.summary.maxY = script_.summary.minY + c.height;
    context_.mediaWidth = c.media;
    ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
    EXPECT_EQ(context_.secondCamera, c.second) << c.height << " " << c.media;
    EXPECT_EQ(context_.cameraOffsetX, c.second ? 110 : 85);
    EXPECT_EQ(context_.cameraOffsetY, 99);
  }
  EXPECT_EQ(camera_.calls.substr(0, 16), "down up refresh ");
  EXPECT_EQ(clock_.Sleeps().back(), 100);
  EXPECT_EQ(context_.statusStep, 60);
  EXPECT_EQ(context_.settleTicks, 5);
}

TEST_F(JobLoaderTest, DashValuesChangeOnlyOnceArmed) {
  script_.tpsint = "M \nL 30.00 100.00 130.00 100.00 \n";
  script_.summary.specialCount = 1;
  script_.summary.dashOn = 3;
  script_.summary.dashOff = 2;
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(context_.dashCutValue, 0);
  EXPECT_EQ(view_.fields.count(control::kSpecialCutLength), 0U);

  context_.dashCutValue = context_.dashUpValue = 200;
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(context_.dashCutValue, 114);
  EXPECT_EQ(context_.dashUpValue, 76);
  EXPECT_EQ(view_.fields[control::kSpecialCutLength], 11);
  EXPECT_EQ(view_.fields[control::kSpecialUpLength], 7);
  EXPECT_EQ(view_.fields[control::kCount], 0);

  // A dash length no sheet has saturates instead of overflowing.
  script_.summary.dashOn = 1000000000;
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(context_.dashCutValue, std::numeric_limits<int>::max());
}

TEST_F(JobLoaderTest, MultipleLinesAreLaidOutAndForgottenForAJobWithoutSpecialPaths) {
  script_.tpsint = "M \nL 30.00 100.00 130.00 100.00 \n";
  script_.summary.specialCount = 1;
  view_.combos[control::kMultiple] = 2;  // three lines
  view_.fields[control::kSpacing] = 5;
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(context_.multiLineCount, 3);
  EXPECT_EQ(loader_.Report().specialContours, 3);
  std::string sort = dir_.Read("sort.prn");
  EXPECT_EQ(sort.rfind("M 20.00 95.50\nL 120.00 95.50\nM 120.00 94.50\nL 20.00 94.50\n"
                       "M 20.00 95.00\nL 120.00 95.00\n\n",
                       0),
            0U);
  EXPECT_FALSE(dir_.Exists("multi.prn"));

  // Back to one line: the special paths are reloaded as drawn.
  view_.combos[control::kMultiple] = 0;
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(context_.multiLineCount, 1);
  EXPECT_EQ(loader_.Report().specialContours, 1);
  view_.combos[control::kMultiple] = 2;
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(context_.multiLineCount, 3);

  // The next job has no special paths: the handler runs inside the load, which only forgets
  // the laid-out lines instead of starting a second load.
  script_.tpsint.clear();
  script_.summary.specialCount = 0;
  view_.combos[control::kSpecialMode] = 3;
  ASSERT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_EQ(view_.modeHandlerRuns, 1);
  EXPECT_EQ(context_.multiLineCount, 1);
  EXPECT_EQ(view_.combos[control::kSpecialMode], 0);
  EXPECT_EQ(context_.specialPresent, 0);
  EXPECT_EQ(script_.calls.size(), 4U);
}

TEST_F(JobLoaderTest, ACutFileThatCannotBeReplacedIsReportedNotLoaded) {
  std::filesystem::create_directory(dir_.File("sort.prn"));  // rename over it must fail
  const LoadReport& report = loader_.LoadJob();
  EXPECT_EQ(report.outcome, LoadOutcome::kFailed);
  ASSERT_EQ(view_.messages.size(), 1U);
  EXPECT_EQ(view_.messages[0].text, "Cannot write sort.prn in the working directory " +
                                        dir_.Path().string() + "\nIs a directory");
  EXPECT_TRUE(std::filesystem::is_directory(dir_.File("sort.prn")));
  EXPECT_EQ(camera_.calls, "");
  // No temporary is left behind.
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    entries += entry.path().filename().string().find(".tmp") != std::string::npos;
  }
  EXPECT_EQ(entries, 0);
}

// The Ghostscript route is taken for an EPS the parser refuses or reads at a size its bounding
// box contradicts, and only then.
TEST_F(JobLoaderTest, EpsThatTheParserMisreadsIsRedrawnByGhostscript) {
  FakeEps eps;
  loader_.SetEpsConverter(&eps);
  // StandardSummary spans 10..214 x 5..294 mm: 28.35..606.62 x 14.17..833.39 points. A box that
  // holds it (a page, or the job's own box with a rounding) agrees; one it reaches out of by
  // more than 1 mm does not.
  const std::string agrees = "%%BoundingBox: 0 0 612 842\n";
  const std::string tight = "%%BoundingBox: 0 0 1 1\n%%HiResBoundingBox: 29 15 605 833\n";
  const std::string disagrees = "%%BoundingBox: 0 0 60 40\n";
  struct Case {
    std::string header;
    bool parserAccepts;
    PdfConversion gs;
    LoadOutcome outcome;
    ImportRoute route;
    std::string parses;  // the parser's calls, in order
  };
  const std::string job = "eps:1:" + graphic_;
  const std::string redrawn = "eps:3:" + dir_.File("out.ps").string();
  for (const Case& c : {
           Case{agrees, true, PdfConversion::kConverted, LoadOutcome::kLoaded, ImportRoute::kParser,
                job},
           Case{tight, true, PdfConversion::kConverted, LoadOutcome::kLoaded, ImportRoute::kParser,
                job},
           Case{"", true, PdfConversion::kConverted, LoadOutcome::kLoaded, ImportRoute::kParser, job},
           Case{disagrees, true, PdfConversion::kConverted, LoadOutcome::kLoaded,
                ImportRoute::kGhostscript, job + " " + redrawn},
           Case{"", false, PdfConversion::kConverted, LoadOutcome::kLoaded,
                ImportRoute::kGhostscript, job + " " + redrawn},
           // Ghostscript fails: a file the parser read is loaded as read, with the doubt said.
           Case{disagrees, true, PdfConversion::kFailed, LoadOutcome::kLoaded, ImportRoute::kParser,
                job + " " + job},
           Case{"", false, PdfConversion::kFailed, LoadOutcome::kFailed, ImportRoute::kNone, job},
       }) {
    SCOPED_TRACE(c.header + (c.parserAccepts ? " accepted" : " refused"));
    dir_.Write("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n" + c.header + "%%EndComments\n%%EOF\n");
    script_.calls.clear();
    view_.messages.clear();
    eps.convertedFrom.clear();
    eps.result = c.gs;
    // The scripted parser refuses the job's own file when told to, and reads the redrawn one.
    loader_.SetParserFactory([&](const std::filesystem::path& workDir) {
      struct Picky : ScriptedParser {
        Picky(ParserScript& s, std::filesystem::path w, bool accepts)
            : ScriptedParser(s, std::move(w)), accepts_(accepts) {}
        bool ParseEps(const std::filesystem::path& graphic, int kind) override {
          return ScriptedParser::ParseEps(graphic, kind) && (kind == 3 || accepts_);
        }
        bool accepts_;
      };
      return std::make_unique<Picky>(script_, workDir, c.parserAccepts);
    });
    const LoadReport& report = loader_.LoadJob();
    EXPECT_EQ(report.outcome, c.outcome) << report.message;
    EXPECT_EQ(report.route, c.route);
    std::string calls;
    for (const std::string& call : script_.calls) calls += (calls.empty() ? "" : " ") + call;
    EXPECT_EQ(calls, c.parses);
    if (c.route == ImportRoute::kGhostscript) {
      EXPECT_EQ(eps.convertedFrom, graphic_);
      EXPECT_EQ(report.parsedPath, dir_.File("out.ps").string());
      EXPECT_EQ(report.jobPath, graphic_);
      ASSERT_FALSE(report.warnings.empty());
      EXPECT_EQ(report.warnings[0].rfind("read through Ghostscript: ", 0), 0U);
    }
    if (c.outcome == LoadOutcome::kFailed) {
      EXPECT_EQ(report.message, "Graphic file not saved correctly\nPlease check the instructions\n"
                                "gs: Unrecoverable error");
    }
  }
}

TEST_F(JobLoaderTest, AJobNoSheetHoldsIsRefusedWithItsSize) {
  dir_.Write("sort.prn", "previous");
  struct Case {
    float maxX, maxY;
    std::string message;
  };
  for (const Case& c :
       {Case{4719.0F, 1897.0F,
             "The graphic is 4709.0 x 1892.0 mm, larger than any sheet the cutter takes "
             "(1500.0 x 1450.0 mm)"},
        Case{std::numeric_limits<float>::infinity(), 294.0F,
             "The graphic has no finite size: it cannot be cut"}}) {
    view_.messages.clear();
    script_.summary.maxX = c.maxX;
    script_.summary.maxY = c.maxY;
    const LoadReport& report = loader_.LoadJob();
    EXPECT_EQ(report.outcome, LoadOutcome::kFailed);
    ASSERT_EQ(view_.messages.size(), 1U);
    EXPECT_EQ(view_.messages[0].text, c.message);
    EXPECT_EQ(dir_.Read("sort.prn"), "previous");
  }
  // The largest sheet itself is taken.
  script_.summary.maxX = script_.summary.minX + 1500.0F;
  script_.summary.maxY = script_.summary.minY + 1450.0F;
  EXPECT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
}

TEST_F(JobLoaderTest, AGraphicCutShortLoadsOnlyOnceTheOperatorAgrees) {
  dir_.Write("sort.prn", "previous");
  dir_.Write("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n1 0 0 1 0 0 cm\n0 0 m 10 ");
  view_.confirm = false;
  const LoadReport& refused = loader_.LoadJob();
  EXPECT_EQ(refused.outcome, LoadOutcome::kEnded);
  ASSERT_EQ(view_.questions.size(), 1U);
  EXPECT_EQ(view_.questions[0].text, "The graphic " + graphic_ +
                                         " ends before its %%EOF: it may be cut short, and only "
                                         "what it holds would be cut\nLoad it anyway?");
  EXPECT_EQ(view_.questions[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(dir_.Read("sort.prn"), "previous");

  view_.confirm = true;
  const LoadReport& loaded = loader_.LoadJob();
  EXPECT_EQ(loaded.outcome, LoadOutcome::kLoaded);
  ASSERT_EQ(loaded.warnings.size(), 1U);
  EXPECT_NE(loaded.warnings[0].find("ends before its %%EOF"), std::string::npos);

  // A whole file asks nothing.
  view_.questions.clear();
  dir_.Write("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n%%Trailer\n%%EOF\n");
  EXPECT_EQ(loader_.LoadJob().outcome, LoadOutcome::kLoaded);
  EXPECT_TRUE(view_.questions.empty());
}

TEST_F(JobLoaderTest, AWhitePageBackgroundIsPointedOutWithItsSize) {
  FakePdf pdf;
  loader_.SetPdfConverter(&pdf);
  context_.pdfAvailable = 1;
  dir_.Write("page.pdf", "%PDF-1.4");
  view_.answer = dir_.File("page.pdf").string();
  // The job spans 10..214 x 5..294 mm: 28.35 14.17 606.62 833.39 points.
  auto rectangle = [](const char* paint) {
    return std::string("0 0 0 0 k\n28.35 14.17 m 606.62 14.17 l 606.62 833.39 l 28.35 833.39 l "
                       "28.35 14.17 l\n") + paint + "\n";
  };
  struct Case {
    std::string output;
    bool warned;
  };
  for (const Case& c : {Case{rectangle("f"), true}, Case{rectangle("f S"), true},
                        Case{rectangle("f\n28.35 14.17 m 606.62 14.17 l 606.62 833.39 l 28.35 "
                                       "833.39 l 28.35 14.17 l S"),
                             false},
                        Case{"0 0 0 1 k\n" + rectangle("f").substr(10), false},
                        Case{rectangle("S"), false}}) {
    SCOPED_TRACE(c.output);
    view_.messages.clear();
    pdf.output = c.output;
    const LoadReport& report = loader_.LoadJob();
    ASSERT_EQ(report.outcome, LoadOutcome::kLoaded) << report.message;
    const std::string warning =
        "A filled white rectangle of 204.0 x 289.0 mm covers the whole page (a page "
        "background?): its outline is cut as a contour";
    if (c.warned) {
      ASSERT_EQ(view_.messages.size(), 1U);
      EXPECT_EQ(view_.messages[0].text, warning);
      EXPECT_EQ(view_.messages[0].icon, MessageIcon::kWarning);
      EXPECT_EQ(report.warnings, std::vector<std::string>{warning});
    } else {
      EXPECT_TRUE(view_.messages.empty());
    }
  }
}

// A working directory that refuses files is named with the system's reason, and the previous
// job's files stay whole; the graphic is not blamed.
TEST(JobLoaderWorkDir, ReadOnlyAndFullDirectoriesAreNamedWithTheSystemsReason) {
  test::TempDir graphics;
  std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n";
  while (eps.size() < 7000) eps += "% prolog\n";
  eps += "%%EndProlog\n";
  for (int i = 0; i < 3000; ++i) eps += "10 10 m 200 10 l 200 200 l 10 200 l 10 10 l f\n";
  eps += "%%Trailer\n%%EOF\n";
  graphics.Write("job.eps", eps);
  struct Case {
    bool readOnly;
    std::string reason;
    bool probeFails;  // the directory refuses even the smallest file
  };
  for (const Case& c : {Case{true, "Read-only file system", true},
                        Case{false, "No space left on device", false}}) {
    SCOPED_TRACE(c.reason);
    test::SmallTmpfs work(c.readOnly ? 64 : 96);
    if (!work.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    test::WriteFileBytes(work.Path() / "PSINT", "previous PSINT");
    test::WriteFileBytes(work.Path() / "sort.prn", "previous sort");
    if (c.readOnly) {
      ASSERT_TRUE(work.MakeReadOnly());
    }

    RunContext context;
    FakeView view;
    view.answer = graphics.File("job.eps").string();
    FakeCanvas canvas;
    test::MemoryProfile profile;
    JobLoader loader(context, WorkDir(work.Path()), view, canvas, profile);
    const LoadReport& report = loader.LoadJob();
    EXPECT_NE(report.outcome, LoadOutcome::kLoaded);
    ASSERT_EQ(view.messages.size(), 1U);
    const std::string expected =
        "Cannot write " + std::string(c.probeFails ? "" : "PSINT ") + "in the working directory " +
        work.Path().string() + "\n" + c.reason;
    EXPECT_EQ(view.messages[0].text, expected);
    EXPECT_EQ(test::ReadFileBytes(work.Path() / "PSINT"), "previous PSINT");
    EXPECT_EQ(test::ReadFileBytes(work.Path() / "sort.prn"), "previous sort");
    for (const auto& entry : std::filesystem::directory_iterator(work.Path())) {
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos)
          << entry.path();
    }
  }
}

// A load killed while it writes leaves temporaries; the next load removes them, so the working
// directory holds only the working files.
TEST(JobLoaderWorkDir, TheNextLoadClearsWhatAKilledOneLeftBehind) {
  test::TempDir graphics, work;
  std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n";
  while (eps.size() < 7000) eps += "% prolog\n";
  eps += "%%EndProlog\n";
  auto square = [](int x, int y) {
    return std::to_string(x) + " " + std::to_string(y) + " m " + std::to_string(x + 11) + " " +
           std::to_string(y) + " l " + std::to_string(x + 11) + " " + std::to_string(y + 11) +
           " l " + std::to_string(x) + " " + std::to_string(y + 11) + " l " + std::to_string(x) +
           " " + std::to_string(y) + " l f\n";
  };
  eps += square(10, 10) + square(500, 10);
  for (int i = 0; i < 120000; ++i) eps += square(20 + i % 400, 40 + i % 700);
  eps += "%%Trailer\n%%EOF\n";
  graphics.Write("big.eps", eps);

  auto load = [&](const std::filesystem::path& file) {
    RunContext context;
    FakeView view;
    view.answer = file.string();
    FakeCanvas canvas;
    test::MemoryProfile profile;
    JobLoader loader(context, WorkDir(work.Path()), view, canvas, profile);
    return loader.LoadJob().outcome;
  };
  auto temporaries = [&] {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(work.Path())) {
      count += entry.path().filename().string().find(".tmp.") != std::string::npos;
    }
    return count;
  };
  for (int attempt = 0; attempt < 3; ++attempt) {
    const pid_t child = ::fork();
    if (child == 0) {
      load(graphics.File("big.eps"));
      ::_exit(0);
    }
    ASSERT_GT(child, 0);
    // Killed as soon as it is writing.
    for (int i = 0; i < 2000 && temporaries() == 0; ++i) ::usleep(1000);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
  }
  ASSERT_GT(temporaries(), 0) << "no load was caught mid-write";
  EXPECT_EQ(load(graphics.File("big.eps")), LoadOutcome::kLoaded);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(work.Path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"PSINT", "mk3.dat", "sort.prn"}));
}

// The real parser in front of the loader: a hand-written EPS in millimetre multiples of a point.
TEST(JobLoaderWithParser, HandWrittenEpsGivesTheExpectedCutFile) {
  test::TempDir dir;
  dir.Write("job.eps", test::HandWrittenEps());

  RunContext context;
  FakeView view;
  view.answer = dir.File("job.eps").string();
  FakeCanvas canvas;
  test::MemoryProfile profile;
  JobLoader loader(context, WorkDir(dir.Path()), view, canvas, profile);
  const LoadReport& report = loader.LoadJob();
  ASSERT_EQ(report.outcome, LoadOutcome::kLoaded) << report.message;
  EXPECT_FLOAT_EQ(report.summary.minX, 10.0F);
  EXPECT_FLOAT_EQ(report.summary.minY, 5.0F);
  EXPECT_EQ(dir.Read("sort.prn"),
            "O 40.00 45.00\nL 50.00 45.00\n"
            "M 0.00 285.00\nL 4.00 285.00\nL 4.00 289.00\nL 0.00 289.00\nL 0.00 285.00\nA");
  EXPECT_EQ(dir.Read("mk3.dat"), "2.000000 2.000000\n202.000000 2.000000\n2.000000 287.000000\n");
  EXPECT_FALSE(dir.Exists("TPSINT"));
}

}  // namespace
}  // namespace orvex
