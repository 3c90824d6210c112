// The job loader over fake ports, where the window sees what orvex-cli import does not: which
// file a load takes (the dialog, a reopen, the last job), what a refusal leaves alone, the
// question before a graphic cut short, the preview, the camera, the dash values and the controls,
// and working files that cannot be written. What the loader makes of real graphics (refusals and
// their texts, warnings, the converter and Ghostscript routes, sort.prn and mk3.dat) are the
// import rows of the run transcripts.
#include "import/job_loader.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

#include "support/fake_loader_ports.h"
#include "support/hand_written_eps.h"
#include "support/manual_clock.h"
#include "support/memory_profile.h"
#include "support/small_tmpfs.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

// Stands in for the path parser: writes the cut-path files it is given and records its calls
// ("eps:<kind>:<path>" or "ai:<path>"). It refuses the job's own EPS when `acceptsEps` is false
// and always reads a conversion (kind 3).
struct ParserScript {
  bool result = true, acceptsEps = true;
  std::string psint, tpsint;  // tpsint empty: no special paths (no TPSINT)
  GraphicSummary summary;
  std::string calls;
};

class ScriptedParser : public GraphicParser {
 public:
  ScriptedParser(ParserScript& script, std::filesystem::path workDir)
      : script_(script), workDir_(std::move(workDir)) {}
  bool ParseEps(const std::filesystem::path& graphic, int kind) override {
    return Write("eps:" + std::to_string(kind) + ":" + graphic.string()) &&
           (kind == 3 || script_.acceptsEps);
  }
  bool ParseAi(const std::filesystem::path& graphic) override {
    return Write("ai:" + graphic.string());
  }
  GraphicSummary Summary() const override { return script_.summary; }

 private:
  bool Write(const std::string& call) {
    script_.calls += (script_.calls.empty() ? "" : " ") + call;
    test::WriteFileBytes(workDir_ / "PSINT", script_.psint);
    std::filesystem::remove(workDir_ / "TPSINT");
    if (!script_.tpsint.empty()) test::WriteFileBytes(workDir_ / "TPSINT", script_.tpsint);
    return script_.result;
  }
  ParserScript& script_;
  std::filesystem::path workDir_;
};

// The camera graph and the recent-job settings, recorded.
class RecordingHooks : public CameraGraphControl, public RecentJobs {
 public:
  void TearDown() override { camera += "down "; }
  void Rebuild() override { camera += "up "; }
  void RefreshSettings() override { camera += "refresh "; }
  void RestoreFor(const std::string& path) override { restored.push_back(path); }
  std::string camera;
  std::vector<std::string> restored;
};

// A 4 mm square mark with its lower-left corner at (x, y), as the parser writes it.
std::string Mark(int x, int y) {
  char text[256];
  std::snprintf(text, sizeof text,
                "M \nL %d.00 %d.00 %d.00 %d.00 \nL %d.00 %d.00 %d.00 %d.00 \n"
                "L %d.00 %d.00 %d.00 %d.00 \nL %d.00 %d.00 %d.00 %d.00 \n",
                x, y, x + 4, y, x + 4, y, x + 4, y + 4, x + 4, y + 4, x, y + 4, x, y + 4, x, y);
  return text;
}

// Bottom marks at x 10 and 210, an open label line, a curve (six steps) and a top mark; the job
// spans 10..214 x 5..294 mm.
const std::string kPsint = Mark(10, 5) + "O \nL 50.00 50.00 60.00 50.00 \n" +
                           "M \nC 20.00 20.00 23.00 20.00 21.00 20.00 22.00 20.00 \n" +
                           Mark(210, 5) + Mark(10, 290);
const std::string kSpecialLine = "M \nL 30.00 100.00 130.00 100.00 \n";
const std::string kParseFailed = "Graphic file not saved correctly\nPlease check the instructions";

class JobLoaderTest : public ::testing::Test {
 protected:
  JobLoaderTest() : loader_(context_, WorkDir(dir_.Path()), view_, canvas_, profile_) {
    loader_.SetParserFactory([this](const std::filesystem::path& workDir) {
      return std::make_unique<ScriptedParser>(script_, workDir);
    });
    loader_.SetCameraGraph(&hooks_);
    loader_.SetRecentJobs(&hooks_);
    loader_.SetClock(&clock_);
    loader_.SetPdfConverter(&pdf_);
    context_.pdfAvailable = 1;
    script_.psint = kPsint;
    script_.summary = {.minX = 10, .minY = 5, .maxX = 214, .maxY = 294};
    graphic_ = dir_.File("job.eps").string();
    dir_.Write("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n");
    dir_.Write("sort.prn", "previous");
    view_.answer = graphic_;
  }
  // Loads `name` (written with `bytes`) through the dialog.
  const LoadReport& Load(const std::string& name, const std::string& bytes) {
    dir_.Write(name, bytes);
    view_.answer = dir_.File(name).string();
    return loader_.LoadJob();
  }
  // A load as one text: its outcome, then each message shown since the last call.
  std::string Outcome(const LoadReport& report) {
    std::string text = std::array{"ended", "failed", "loaded"}[static_cast<int>(report.outcome)];
    for (const OperatorMessage& message : view_.messages) text += "|" + message.text;
    view_.messages.clear();
    return text;
  }

  test::TempDir dir_;
  RunContext context_;
  test::FakeLoaderView view_;
  test::FakePreviewCanvas canvas_;
  test::MemoryProfile profile_;
  RecordingHooks hooks_;
  test::ManualClock clock_;
  test::FakePdf pdf_{true}, gs_{true};
  ParserScript script_;
  JobLoader loader_;
  std::string graphic_;
};

// What only the window sees of a load: the preview and the recent-job settings.
TEST_F(JobLoaderTest, ALoadedJobIsDrawnAndRemembered) {
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  // Every path is drawn, the marks too: 4 + 4 mark lines, 1 label line, 6 curve lines, 4 top.
  EXPECT_EQ(canvas_.lines[PreviewPen::kCut], 19);
  EXPECT_EQ(canvas_.cleared, std::make_pair(418, 308));
  EXPECT_EQ(hooks_.restored, std::vector<std::string>{graphic_});
}

// Refusals: each is said once, with the caption the message calls for, and leaves the previous
// sort.prn, the camera and the shown job path as they were. (A graphic of no finite size only a
// damaged parse reports.)
TEST_F(JobLoaderTest, RefusedJobsAreSaidAndLeaveSortPrnAlone) {
  const std::string marks =
      "Black marks not aligned or overlapped\nPlease check the graphic design. ";
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    std::string psint;
    float maxX, maxY;
    bool parsed;
    std::string message;  // empty: loaded
  };
  for (const Case& c :
       {Case{kPsint, 214, 294, false, kParseFailed}, Case{Mark(10, 5), 214, 294, true, marks},
        Case{kPsint, inf, 294, true, "The graphic has no finite size: it cannot be cut"},
        Case{kPsint, 1510, 1455, true, ""}}) {  // the largest sheet itself
    SCOPED_TRACE(c.message + c.psint);
    hooks_.camera.clear();
    dir_.Write("sort.prn", "previous");
    script_.psint = c.psint;
    script_.result = c.parsed;
    script_.summary.maxX = c.maxX;
    script_.summary.maxY = c.maxY;
    const LoadReport& report = loader_.LoadJob();
    if (c.message.empty()) {
      EXPECT_EQ(Outcome(report), "loaded");
      continue;
    }
    EXPECT_EQ(view_.messages.at(0).caption, c.message == marks ? "Black marks error !" : "");
    EXPECT_EQ(view_.messages[0].taskModal, c.message == marks);
    EXPECT_EQ(Outcome(report), "failed|" + c.message);
    EXPECT_EQ(dir_.Read("sort.prn"), "previous");
    EXPECT_EQ(context_.statusStep, 60);
    // The refused job is the current one: its path is shown, the camera is left alone.
    EXPECT_EQ(view_.texts[control::kCurrentJobLabel], "Current job: " + graphic_);
    EXPECT_EQ(hooks_.camera, "");
  }
}

// Which file a load takes: none for a cancelled dialog or a kind it does not know, the
// dialog's, the current job's again on a reopen request, the profile's last job without a
// dialog (an AI known by its last letter). A PDF job is its PDF, parsed from a fresh conversion
// into out.ps that every PDF job shares.
TEST_F(JobLoaderTest, WhichFileALoadTakes) {
  EXPECT_EQ((std::array{JobLoader::KindFromExtension("EPS"), JobLoader::KindFromExtension("Ai"),
                        JobLoader::KindFromExtension("aI"), JobLoader::KindFromExtension("Eps")}),
            (std::array{kKindEps, kKindAi, kKindNone, kKindNone}));
  EXPECT_EQ(JobLoader::Filters(true)[0].pattern, "*.AI;*.EPS;*.PDF");
  EXPECT_EQ(JobLoader::Filters(false)[0].label, "(*.AI *.EPS)");
  view_.answerOk = false;
  EXPECT_EQ(Outcome(loader_.LoadJob()), "ended|File not found");
  view_.answerOk = true;
  context_.pdfAvailable = 0;  // without PDF in the list, a .pdf is of no known kind
  const LoadReport& unknown = Load("job.pdf", "%PDF-1.4");
  EXPECT_EQ(view_.messages.at(0).icon, MessageIcon::kError);
  EXPECT_EQ(Outcome(unknown), "ended|File not found");
  EXPECT_EQ((std::array{context_.statusStep, context_.displayState}), (std::array{60, -2}));
  EXPECT_EQ(script_.calls, "");

  context_.pdfAvailable = 1;
  view_.answer = graphic_;
  EXPECT_EQ(Outcome(loader_.OpenLastJob()), "loaded");  // LastJob "-": the dialog
  dir_.Write("out.ps", "the previous PDF");
  const std::string sheet = dir_.File("sheet.PDF").string();
  const LoadReport& report = Load("sheet.PDF", "%PDF-1.4");
  EXPECT_EQ((std::pair{report.route, context_.importKind}), (std::pair{ImportRoute::kPdf, 3}));
  EXPECT_EQ(report.parsedPath, dir_.File("out.ps").string());
  EXPECT_FALSE(pdf_.outputExistedBefore);
  EXPECT_EQ(report.jobPath, sheet);
  EXPECT_EQ(context_.currentJobPath, sheet);
  // A reopen parses the conversion again, converting nothing.
  pdf_.convertedFrom.clear();
  view_.answerOk = false;
  context_.reopenRequest = 1;
  EXPECT_EQ(Outcome(loader_.LoadJob()), "loaded");
  EXPECT_EQ(context_.reopenRequest, 0);
  EXPECT_EQ(pdf_.convertedFrom, "");
  const std::string ai = dir_.File("label.ai").string();
  dir_.Write("label.ai", "%!PS-Adobe");
  for (const std::string& last : {ai, sheet}) {
    profile_.WriteString(kProfileSection, "LastJob", last);
    EXPECT_EQ(Outcome(loader_.OpenLastJob()), "loaded");
    EXPECT_EQ(context_.lastJobFlag, 2);
  }
  EXPECT_EQ(pdf_.convertedFrom, sheet);
  const std::string outPs = " eps:3:" + dir_.File("out.ps").string();
  EXPECT_EQ(script_.calls, "eps:1:" + graphic_ + outPs + outPs + " ai:" + ai + outPs);
  // A plain File Open asks again; a last job that is gone is not found.
  EXPECT_EQ(Outcome(loader_.LoadJob()), "ended|File not found");
  EXPECT_EQ(view_.dialogs, 5);
  profile_.WriteString(kProfileSection, "LastJob", dir_.File("gone.eps").string());
  EXPECT_EQ(Outcome(loader_.OpenLastJob()), "ended|File not found");
}

// A converter that says it converted but wrote nothing leaves a bad graphic, never the start-up
// job that the parser would read in place of an empty out.ps; without a converter the load ends
// and changes nothing. (A converter's own failure and its reason are import rows.)
TEST_F(JobLoaderTest, APdfThatDoesNotConvertIsRefusedWithTheConvertersReason) {
  dir_.Write("KVOSTART.DAT", "%!PS the start-up job");
  const std::string sheet = dir_.File("sheet.pdf").string();
  pdf_.output = "";
  EXPECT_EQ(Outcome(Load("sheet.pdf", "%PDF-1.4 damaged")),
            "failed|" + kParseFailed + "\nthe PDF converter could not convert " + sheet);
  EXPECT_EQ(script_.calls, "");  // nothing parsed: neither out.ps nor KVOSTART.DAT
  EXPECT_EQ(dir_.Read("sort.prn"), "previous");
  EXPECT_EQ(context_.currentJobPath, sheet);
  pdf_.available = false;
  context_.lastJobFlag = context_.displayState = 0;
  dir_.Write("out.ps", "kept");
  const LoadReport& report = Load("sheet.pdf", "%PDF-1.4");
  EXPECT_EQ(view_.messages.at(0).captionKind, MessageCaption::kPlatformDefault);
  EXPECT_EQ(Outcome(report), "ended|Load pdftops.dll failed!");
  // The status polling is not left waiting 5000 ticks.
  EXPECT_EQ((std::array{context_.lastJobFlag, context_.displayState, context_.statusStep}),
            (std::array{0, 0, 60}));
  EXPECT_EQ(dir_.Read("out.ps"), "kept");
}

// What the loader asks or points out in the window: a graphic cut short is loaded only once the
// operator agrees, a page background is shown as a warning. (Which rectangles count as a page
// background are import rows.)
TEST_F(JobLoaderTest, ACutShortGraphicAndAWhitePageBackgroundArePointedOut) {
  const std::string cutShort = "%!PS-Adobe-3.0 EPSF-3.0\n%%EndComments\n1 0 0 1 0 0 cm\n0 0 m 10 ";
  view_.confirm = false;
  EXPECT_EQ(Outcome(Load("job.eps", cutShort)), "ended");
  ASSERT_EQ(view_.questions.size(), 1U);
  EXPECT_EQ(view_.questions[0].text, "The graphic " + graphic_ +
                                         " ends before its %%EOF: it may be cut short, and only "
                                         "what it holds would be cut\nLoad it anyway?");
  EXPECT_EQ(view_.questions[0].icon, MessageIcon::kWarning);
  EXPECT_EQ(dir_.Read("sort.prn"), "previous");
  view_.confirm = true;
  EXPECT_EQ(Outcome(loader_.LoadJob()), "loaded");
  EXPECT_EQ(loader_.Report().warnings.size(), 1U);
  // A whole file asks nothing.
  EXPECT_EQ(Outcome(Load("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n%%Trailer\n%%EOF\n")), "loaded");
  EXPECT_EQ(view_.questions.size(), 2U);

  // The job's own box in points, filled white.
  pdf_.output = "0 0 0 0 k\n28.35 14.17 m 606.62 14.17 l 606.62 833.39 l 28.35 833.39 l h f\n";
  const LoadReport& report = Load("page.pdf", "%PDF-1.4");
  EXPECT_EQ(view_.messages.at(0).icon, MessageIcon::kWarning);
  EXPECT_EQ(Outcome(report), "loaded|" + report.warnings.at(0));
}

TEST_F(JobLoaderTest, CameraChoiceFollowsJobHeightAndMediaWidth) {
  profile_.WriteInt(kProfileSection, "deltaX", 85);
  for (const auto& [height, media, second] :
       {std::tuple{289.0F, 500, 1}, std::tuple{289.0F, 600, 0}, std::tuple{289.0F, 450, 0},
        std::tuple{400.0F, 700, 1}, std::tuple{375.0F, 700, 0}, std::tuple{400.0F, 600, 0}}) {
    SCOPED_TRACE(testing::Message() << height << " " << media);
    script_.summary.maxY = script_.summary.minY + height;
    context_.mediaWidth = media;
    ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
    EXPECT_EQ((std::array{context_.secondCamera, context_.cameraOffsetX, context_.cameraOffsetY}),
              (std::array{second, second ? 110 : 85, 99}));
  }
  EXPECT_EQ(hooks_.camera.substr(0, 16), "down up refresh ");
  EXPECT_EQ(clock_.Sleeps().back(), 100);
  EXPECT_EQ(context_.settleTicks, 5);
}

// What the window and the run take of special paths: the special end, the controls, the dash
// values (only once armed), and laid-out lines that the next job without special paths forgets.
// What sort.prn holds of them is an import row.
TEST_F(JobLoaderTest, SpecialPathsTheirDashValuesAndMultipleLines) {
  script_.tpsint = kSpecialLine + "M \nC 30.00 100.00 30.00 100.00 30.00 100.00 30.00 100.00 \n";
  script_.summary.specialCount = 2;
  view_.combos[control::kSpecialMode] = 2;
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  // The special section: a line, a curve of one step, the blank line that ends it (58 bytes).
  EXPECT_EQ((std::array{context_.specialEnd, context_.importSpecialEnd}), (std::array{58L, 58L}));
  EXPECT_EQ((std::array{context_.specialPresent, context_.specialMode}), (std::array{1, 2}));
  EXPECT_EQ(canvas_.lines[PreviewPen::kSpecial], 2);
  // A mode other than the dashed line keeps the dash lengths disabled.
  EXPECT_EQ(
      (std::array{view_.enabled[control::kSpecialMode], view_.enabled[control::kSpecialSpeed],
                  view_.enabled[control::kStartButton], view_.enabled[control::kSpecialCutLength]}),
      (std::array{true, true, false, false}));

  script_.tpsint = kSpecialLine;
  script_.summary.specialCount = 1;
  script_.summary.dashOn = 3;
  script_.summary.dashOff = 2;
  view_.combos[control::kMultiple] = 2;  // three lines
  view_.fields[control::kSpacing] = 5;
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  EXPECT_EQ(context_.dashCutValue, 0);
  EXPECT_EQ(view_.fields.count(control::kSpecialCutLength), 0U);
  EXPECT_EQ(context_.multiLineCount, 3);
  context_.dashCutValue = context_.dashUpValue = 200;
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  EXPECT_EQ((std::array{context_.dashCutValue, context_.dashUpValue,
                        view_.fields[control::kSpecialCutLength],
                        view_.fields[control::kSpecialUpLength]}),
            (std::array{114, 76, 11, 7}));
  // A dash length no sheet has saturates instead of overflowing.
  script_.summary.dashOn = 1000000000;
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  EXPECT_EQ(context_.dashCutValue, std::numeric_limits<int>::max());
  // The mode handler runs inside the load, which only forgets the laid-out lines instead of
  // starting a second load.
  script_.tpsint.clear();
  script_.summary.specialCount = 0;
  view_.combos[control::kSpecialMode] = 3;
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  EXPECT_EQ((std::array{view_.modeHandlerRuns, context_.multiLineCount,
                        view_.combos[control::kSpecialMode], context_.specialPresent}),
            (std::array{1, 1, 0, 0}));
}

// A load killed while it wrote left a temporary behind: the next load removes it, and a cut
// file that cannot be replaced is reported without leaving one of its own.
TEST_F(JobLoaderTest, WorkingFilesAreReplacedWholeOrNotAtAll) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  dir_.Write(".sort.prn.tmp." + std::to_string(gone) + ".0", "half a file");
  std::filesystem::remove(dir_.File("sort.prn"));
  std::filesystem::create_directory(dir_.File("sort.prn"));  // rename over it must fail
  EXPECT_EQ(Outcome(loader_.LoadJob()), "failed|Cannot write sort.prn in the working directory " +
                                            dir_.Path().string() + "\nIs a directory");
  EXPECT_EQ(hooks_.camera, "");
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);
  }
}

// A working directory that refuses files is named with the system's reason, and the previous
// job's files stay whole; the graphic is not blamed. The real parser writes here.
TEST_F(JobLoaderTest, ReadOnlyAndFullDirectoriesAreNamedWithTheSystemsReason) {
  std::string eps = test::HandWrittenEps();
  eps.insert(eps.find("%%Trailer"), 3000 * 40, ' ');
  for (int i = 0; i < 3000; ++i)
    eps.insert(eps.find("%%Trailer"), "10 10 m 200 10 l 200 200 l f\n");
  dir_.Write("big.eps", eps);
  view_.answer = dir_.File("big.eps").string();
  for (const auto& [readOnly, reason] :
       {std::pair{true, "Read-only file system"}, std::pair{false, "No space left on device"}}) {
    SCOPED_TRACE(reason);
    test::SmallTmpfs work(readOnly ? 64 : 96);
    if (!work.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    test::WriteFileBytes(work.Path() / "PSINT", "previous PSINT");
    test::WriteFileBytes(work.Path() / "sort.prn", "previous sort");
    if (readOnly) {
      ASSERT_TRUE(work.MakeReadOnly());
    }
    JobLoader loader(context_, WorkDir(work.Path()), view_, canvas_, profile_);
    // A read-only directory refuses even the smallest file: no file is named.
    EXPECT_EQ(Outcome(loader.LoadJob()), std::string(readOnly ? "ended" : "failed") +
                                             "|Cannot write " + (readOnly ? "" : "PSINT ") +
                                             "in the working directory " + work.Path().string() +
                                             "\n" + reason);
    EXPECT_EQ(test::ReadFileBytes(work.Path() / "PSINT"), "previous PSINT");
    EXPECT_EQ(test::ReadFileBytes(work.Path() / "sort.prn"), "previous sort");
  }
}

}  // namespace
}  // namespace orvex
