// The job loader over fake ports, one case per thing it decides: which file and which route,
// when it refuses a job (and that a refusal leaves the previous job's files alone), which
// warnings it gives, and what it writes (sort.prn byte for byte, mk3.dat, the run context).
// The sample job's whole load through the real parser is the run transcripts' business.
#include "import/job_loader.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

// Bottom marks at x 10 and 210, an open label line, a curve (length 5: six steps) and a top
// mark; the job spans 10..214 x 5..294 mm.
const std::string kPsint = Mark(10, 5) + "O \nL 50.00 50.00 60.00 50.00 \n" +
                           "M \nC 20.00 20.00 23.00 20.00 21.00 20.00 22.00 20.00 \n" +
                           Mark(210, 5) + Mark(10, 290);
const char* const kCutSection =
    "O 40.00 45.00\nL 50.00 45.00\n"
    "M 10.00 15.00\nC 10.50 15.00\nC 11.00 15.00\nC 11.50 15.00\nC 12.00 15.00\nC 12.50 15.00\n"
    "C 13.00 15.00\n"
    "M 0.00 285.00\nL 4.00 285.00\nL 4.00 289.00\nL 0.00 289.00\nL 0.00 285.00\n";
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

// What only the window sees of a load (the preview, the recent-job settings), the mark mode
// and a long curve's steps. The marks' places in the run context, the contour count and the cut
// length are the run transcripts' business.
TEST_F(JobLoaderTest, ALoadedJobIsDrawnRememberedAndCut) {
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  // The bottom marks are left out of the cut section, the top mark is cut; curves are stepped.
  EXPECT_EQ(dir_.Read("sort.prn"), std::string(kCutSection) + "A");
  EXPECT_EQ(dir_.Read("mk3.dat"), "2.000000 2.000000\n202.000000 2.000000\n2.000000 287.000000\n");
  EXPECT_EQ(context_.specialEnd, 0);
  // Every path is drawn, the marks too: 4 + 4 mark lines, 1 label line, 6 curve lines, 4 top.
  EXPECT_EQ(canvas_.lines[PreviewPen::kCut], 19);
  EXPECT_EQ(canvas_.cleared, std::make_pair(418, 308));
  EXPECT_EQ(hooks_.restored, std::vector<std::string>{graphic_});

  // With the mark mode set the marks are cut too.
  view_.combos[control::kMarkMode] = 1;
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  EXPECT_EQ(loader_.Report().cutContours, 5);
  // A curve of length 100 is cut in 20 steps: 19 points between and the end point.
  script_.psint = Mark(10, 5) + Mark(210, 5) + "M \nC 20 20 70 20 45 20 45 20 \n";
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  const std::string sort = dir_.Read("sort.prn");
  EXPECT_EQ(std::count(sort.begin(), sort.end(), 'C'), 20) << sort;
}

// Refusals: each is said once, with the caption the message calls for, and leaves the previous
// sort.prn, the camera and the shown job path as they were.
TEST_F(JobLoaderTest, RefusedJobsAreSaidAndLeaveSortPrnAlone) {
  const std::string marks =
      "Black marks not aligned or overlapped\nPlease check the graphic design. ";
  // Mark centres 12 and 61.9 are 49.9 mm apart, 12 and 62 exactly 50.
  const std::string close =
      Mark(10, 5) + "M \nL 59.90 5.00 63.90 5.00 \nL 63.90 5.00 63.90 9.00 \n" + Mark(10, 290);
  const std::string apart =
      Mark(10, 5) + "M \nL 60.00 5.00 64.00 5.00 \nL 64.00 5.00 64.00 9.00 \n" + Mark(10, 290);
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    std::string psint;
    float maxX, maxY;
    bool parsed;
    std::string message;  // empty: loaded
  };
  for (const Case& c :
       {Case{kPsint, 214, 294, false, kParseFailed}, Case{close, 214, 294, true, marks},
        Case{apart, 214, 294, true, ""},
        Case{Mark(10, 5), 214, 294, true, marks},  // one path: no pair
        Case{kPsint, 4719, 1897, true,
             "The graphic is 4709.0 x 1892.0 mm, larger than any sheet the cutter "
             "takes (1500.0 x 1450.0 mm)"},
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

// A PDF that does not convert is a bad graphic with the converter's reason, never the start-up
// job that the parser would read in place of a missing or empty out.ps; without a converter
// the load ends and changes nothing.
TEST_F(JobLoaderTest, APdfThatDoesNotConvertIsRefusedWithTheConvertersReason) {
  dir_.Write("KVOSTART.DAT", "%!PS the start-up job");
  const std::string sheet = dir_.File("sheet.pdf").string();
  pdf_.output = "";
  for (const auto& [result, reason, shown] :
       {std::tuple{PdfConversion::kFailed, "orvex-pdf2ps: the PDF is encrypted",
                   "orvex-pdf2ps: the PDF is encrypted"},
        std::tuple{PdfConversion::kConverted, "", "the PDF converter could not convert "}}) {
    SCOPED_TRACE(shown);
    pdf_.result = result;
    pdf_.reason = reason;
    EXPECT_EQ(Outcome(Load("sheet.pdf", "%PDF-1.4 damaged")),
              "failed|" + kParseFailed + "\n" + shown + (*reason ? "" : sheet));
    EXPECT_EQ(script_.calls, "");  // nothing parsed: neither out.ps nor KVOSTART.DAT
    EXPECT_EQ(dir_.Read("sort.prn"), "previous");
    EXPECT_EQ(context_.currentJobPath, sheet);
  }
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

// Ghostscript redraws an EPS the parser refuses or reads at a size its bounding box
// contradicts, and only then.
TEST_F(JobLoaderTest, EpsThatTheParserMisreadsIsRedrawnByGhostscript) {
  // The job spans 10..214 x 5..294 mm: 28.35..606.62 x 14.17..833.39 points. A box that holds
  // it (a page, or the job's own box rounded) agrees; one it reaches out of by 1 mm does not.
  const std::string agrees = "%%BoundingBox: 0 0 612 842\n";
  const std::string tight = "%%BoundingBox: 0 0 1 1\n%%HiResBoundingBox: 29 15 605 833\n";
  const std::string disagrees = "%%BoundingBox: 0 0 60 40\n";
  const std::string job = "eps:1:" + graphic_;
  const std::string redrawn = job + " eps:3:" + dir_.File("out.ps").string();
  const auto kParser = ImportRoute::kParser, kGs = ImportRoute::kGhostscript;
  const auto kOk = PdfConversion::kConverted, kFails = PdfConversion::kFailed;
  struct Case {
    std::string header;
    bool parserAccepts;
    PdfConversion gs;
    ImportRoute route;
    std::string parses;
  };
  loader_.SetEpsConverter(&gs_);
  gs_.reason = "gs: Unrecoverable error";
  for (const Case& c : {Case{agrees, true, kOk, kParser, job}, Case{tight, true, kOk, kParser, job},
                        Case{"", true, kOk, kParser, job}, Case{disagrees, true, kOk, kGs, redrawn},
                        Case{"", false, kOk, kGs, redrawn},
                        // Ghostscript fails: a file the parser read is loaded as read.
                        Case{disagrees, true, kFails, kParser, job + " " + job},
                        Case{"", false, kFails, ImportRoute::kNone, job}}) {
    SCOPED_TRACE(c.header + (c.parserAccepts ? " accepted" : " refused"));
    script_.calls.clear();
    script_.acceptsEps = c.parserAccepts;
    gs_.convertedFrom.clear();
    gs_.result = c.gs;
    const LoadReport& report =
        Load("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n" + c.header + "%%EndComments\n%%EOF\n");
    EXPECT_EQ(report.route, c.route);
    EXPECT_EQ(script_.calls, c.parses);
    EXPECT_EQ(report.jobPath, graphic_);
    if (c.route == kGs) {
      EXPECT_EQ(gs_.convertedFrom, graphic_);
      ASSERT_FALSE(report.warnings.empty());
      EXPECT_EQ(report.warnings[0].rfind("read through Ghostscript: ", 0), 0U);
    }
    EXPECT_EQ(Outcome(report), c.route == ImportRoute::kNone
                                   ? "failed|" + kParseFailed + "\ngs: Unrecoverable error"
                                   : "loaded");
  }
}

// What the loader points out before or after a load: a graphic cut short (loaded only once the
// operator agrees) and a white page background that would be cut as a contour.
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
  const std::string box =
      "28.35 14.17 m 606.62 14.17 l 606.62 833.39 l 28.35 833.39 l 28.35 14.17 l\n";
  const std::string warning =
      "A filled white rectangle of 204.0 x 289.0 mm covers the whole page (a page background?): "
      "its outline is cut as a contour";
  for (const auto& [output, warned] :
       {std::pair<std::string, bool>{"0 0 0 0 k\n" + box + "f\n", true},
        {"0 0 0 0 k\n" + box + "f S\n", true},               // the stroke has no path of its own
        {"0 0 0 0 k\n" + box + "f\n" + box + "S\n", false},  // filled and stroked: a real line
        {"0 0 0 1 k\n" + box + "f\n", false},
        {"0 0 0 0 k\n" + box + "S\n", false}}) {
    SCOPED_TRACE(output);
    pdf_.output = output;
    const LoadReport& report = Load("page.pdf", "%PDF-1.4");
    EXPECT_EQ(report.warnings,
              warned ? std::vector<std::string>{warning} : std::vector<std::string>{});
    if (warned) {
      EXPECT_EQ(view_.messages.at(0).icon, MessageIcon::kWarning);
    }
    EXPECT_EQ(Outcome(report), warned ? "loaded|" + warning : "loaded");
  }
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

// Special paths come first in sort.prn, and the special end follows their line end. One special
// line: its dash values reach the window only once armed, and laid out as multiple lines it is
// forgotten by the next job without special paths.
TEST_F(JobLoaderTest, SpecialPathsTheirDashValuesAndMultipleLines) {
  script_.tpsint = kSpecialLine + "M \nC 30.00 100.00 30.00 100.00 30.00 100.00 30.00 100.00 \n";
  script_.summary.specialCount = 2;
  view_.combos[control::kSpecialMode] = 2;
  ASSERT_EQ(Outcome(loader_.LoadJob()), "loaded");
  const std::string special = "M 20.00 95.00\nL 120.00 95.00\nM 20.00 95.00\nC 20.00 95.00\n\n";
  EXPECT_EQ(dir_.Read("sort.prn"), special + kCutSection + "A");
  const long end = static_cast<long>(special.size());
  EXPECT_EQ(
      (std::array{context_.specialEnd, context_.importSpecialEnd, loader_.Report().specialEnd}),
      (std::array{end, end, end}));
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
  EXPECT_EQ(loader_.Report().specialContours, 3);
  EXPECT_EQ(dir_.Read("sort.prn")
                .rfind("M 20.00 95.50\nL 120.00 95.50\nM 120.00 94.50\n"
                       "L 20.00 94.50\nM 20.00 95.00\nL 120.00 95.00\n\n",
                       0),
            0U);
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
