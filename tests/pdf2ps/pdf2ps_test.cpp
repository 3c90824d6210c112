// The converter on its own: the PostScript dialect it writes (numbers, colours, dashes, the
// prolog the parser skips), what it makes of PDF features, and the program's handling of bad
// input (exit code, one line on stderr, no file at OUT.ps).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "pdf2ps/pdf_to_postscript.h"
#include "pdf2ps/postscript_writer.h"
#include "pdf2ps/reference_job.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"
#include "tools/minimal_pdf.h"

namespace orvex::test {
namespace {

using namespace std::chrono_literals;
using pdf2ps::ConversionStatus;

struct Converted {
  ConversionStatus status;
  std::string text;
  std::size_t paths;
};

Converted Convert(const std::string& pdf) {
  std::string text;
  const auto result = pdf2ps::ConvertPdfToPostScript(
      pdf.data(), pdf.size(), [&text](std::string_view chunk) { text.append(chunk); }, "t");
  return {result.status, text, result.paths};
}

// What the parser reads: everything between %%EndPageSetup and showpage.
std::string Body(const std::string& text) {
  const std::size_t begin = text.find("%%EndPageSetup\n");
  const std::size_t end = text.find("showpage\n");
  if (begin == std::string::npos || end == std::string::npos) return "<no body>";
  return text.substr(begin + 15, end - begin - 15);
}

std::string PagePdf(const std::string& content, const std::string& pageExtra = "",
                    const std::string& resources = "") {
  tools::MinimalPdf pdf;
  const int catalog = pdf.Reserve();
  const int pages = pdf.Reserve();
  const int stream = pdf.AddStream("", content);
  const int page = pdf.AddObject("<< /Type /Page /Parent 2 0 R " +
                                 (pageExtra.empty() ? "/MediaBox [0 0 300 300]" : pageExtra) +
                                 " /Resources << " + resources + " >> /Contents " +
                                 std::to_string(stream) + " 0 R >>");
  pdf.SetObject(pages, "<< /Type /Pages /Kids [" + std::to_string(page) + " 0 R] /Count 1 >>");
  pdf.SetObject(catalog, "<< /Type /Catalog /Pages 2 0 R >>");
  return pdf.Build(catalog);
}

TEST(PostScriptWriterTest, NumbersAreTokensTheParserReads) {
  using pdf2ps::FormatNumber;
  EXPECT_EQ(FormatNumber(1.0, 3), "1");
  EXPECT_EQ(FormatNumber(0.5, 3), "0.5");  // never ".5": the parser would not see a number
  EXPECT_EQ(FormatNumber(-0.0004, 3), "0");
  EXPECT_EQ(FormatNumber(12.34567, 3), "12.346");
  EXPECT_EQ(FormatNumber(-3.25, 3), "-3.25");
  EXPECT_EQ(FormatNumber(1e17, 3), "100000000000000000");  // fixed, never an exponent
}

TEST(PostScriptWriterTest, DashArraysHaveTheLengthTheDashTestExpects) {
  for (double on : {0.01, 0.5, 3.5, 12.0, 99.99, 999.0, 9999.99}) {
    std::string out;
    {
      pdf2ps::PostScriptWriter writer([&out](std::string_view c) { out.append(c); });
      writer.SetDash(on, on);
    }
    // More than 10 and fewer than 28 characters from "[" to the end of "d".
    const std::size_t length = out.find(" d\n") + 2 - out.find('[');
    EXPECT_GT(length, 10u) << out;
    EXPECT_LT(length, 28u) << out;
  }
  std::string out;
  {
    pdf2ps::PostScriptWriter writer([&out](std::string_view c) { out.append(c); });
    writer.SetDash(3.5, 2.5);
    writer.SetDash(0, 0);
    writer.SetDash(std::nan(""), 2);
    writer.SetDash(-1, 2);
    writer.SetDash(1e300, 2);
  }
  EXPECT_EQ(out, "[3.50 2.50] 0 d\n[] 0 d\n[] 0 d\n[] 0 d\n[] 0 d\n");
}

TEST(PostScriptWriterTest, OnlyTheExactProcessColourIsSpecial) {
  std::string out;
  {
    pdf2ps::PostScriptWriter writer([&out](std::string_view c) { out.append(c); });
    writer.SetStrokeColor({0, 1, 0, 0});
    writer.SetFillColor({0, 0.99999, 0, 0});    // rounds to 1 at four decimals
    writer.SetFillColor({0.00001, 1, 0, 0});    // rounds to 0
    writer.SetFillColor({0, 0, 0, 1});
    writer.SetFillColor({-0.5, 2, std::nan(""), 0.25});  // clamped, never an odd token
  }
  EXPECT_EQ(out,
            "0 1 0 0 K\n0 0.9999 0 0 k\n0.0001 1 0 0 k\n0 0 0 1 k\n0 1 0 0.25 k\n");
}

TEST(PostScriptWriterTest, PrologEndsPastTheParsersSkipAndTrailerEndsTheBody) {
  EXPECT_EQ(static_cast<long>(pdf2ps::kParserPrologSkip), EpsPathParser::kPrologSkip);
  for (bool encapsulated : {false, true}) {
    std::string out;
    {
      pdf2ps::PostScriptWriter writer([&out](std::string_view c) { out.append(c); });
      writer.BeginDocument({0, 0, 100, 100}, encapsulated, "test", "title");
      writer.SetFillColor({0, 0, 0, 1});
      writer.MoveTo(1, 2);
      writer.LineTo(3, 4);
      writer.Fill(false);
      writer.EndDocument();
    }
    // The parser discards the token at byte 6500 unseen, so the end markers must come later
    // with at least one token in between.
    for (const char* marker : {"%%EndProlog", "%%EndPageSetup"}) {
      const std::size_t at = out.find(marker);
      ASSERT_NE(at, std::string::npos);
      EXPECT_GT(at, pdf2ps::kParserPrologSkip + 80) << marker;
      EXPECT_EQ(out.find(marker, at + 1), std::string::npos) << marker;
    }
    EXPECT_EQ(out.rfind("%!PS-Adobe-3.0", 0), 0u);
    EXPECT_EQ(out.find("EPSF") != std::string::npos, encapsulated);
    EXPECT_LT(out.find("1 2 m\n3 4 l\nf\n"), out.find("%%Trailer"));
    EXPECT_EQ(out.substr(out.size() - 6), "%%EOF\n");
  }
}

TEST(PdfConversionTest, SubpathsAreClosedByAnExplicitLine) {
  const auto result = Convert(PagePdf(
      "0 0 0 1 K 10 10 m 20 10 l 20 20 l h S\n"        // closed stroke
      "30 30 m 40 30 l 40 40 l S\n"                    // open stroke stays open
      "0 g 50 50 m 60 50 l 60 60 l f\n"                // a fill is closed
      "70 70 m 80 70 l 80 80 l 70 70 l h S\n"          // already back at its start
      "90 90 m S 100 100 m 110 100 l 100 110 115 120 130 100 c S\n"));  // lone moveto dropped
  ASSERT_EQ(result.status, ConversionStatus::kConverted);
  EXPECT_EQ(Body(result.text),
            "0 0 0 1 K\n[] 0 d\n10 10 m\n20 10 l\n20 20 l\n10 10 l\nS\n"
            "0 0 0 1 K\n[] 0 d\n30 30 m\n40 30 l\n40 40 l\nS\n"
            "0 0 0 1 k\n50 50 m\n60 50 l\n60 60 l\n50 50 l\nf\n"
            "0 0 0 1 K\n[] 0 d\n70 70 m\n80 70 l\n80 80 l\n70 70 l\nS\n"
            "0 0 0 1 K\n[] 0 d\n100 100 m\n110 100 l\n100 110 115 120 130 100 c\nS\n");
  EXPECT_EQ(result.paths, 5u);
}

TEST(PdfConversionTest, ColoursBecomeProcessCmykAndSpotsBecomeBlack) {
  const std::string resources =
      "/ColorSpace << /Spot [/Separation /Magenta /DeviceCMYK << /FunctionType 2 /Domain [0 1] "
      "/C0 [0 0 0 0] /C1 [0 1 0 0] /N 1 >>] /Pal [/Indexed /DeviceRGB 1 <FF00FF808080>] >>";
  const auto result = Convert(PagePdf(
      "1 0 1 rg 0 0 m 1 0 l f\n"            // RGB magenta: the special colour
      "1 0.01 1 rg 0 0 m 1 0 l f\n"         // nearly magenta: not special
      "0.25 g 0 0 m 1 0 l f\n"              // grey
      "0 1 0 0 K 0 0 m 1 0 l S\n"           // process magenta stroke
      "/Spot cs 1 scn 0 0 m 1 0 l f\n"      // a spot colour, whatever its alternate
      "/Pal cs 0 sc 0 0 m 1 0 l f\n"        // indexed through its palette
      "/Pal cs 1 sc 0 0 m 1 0 l f\n",
      "", resources));
  ASSERT_EQ(result.status, ConversionStatus::kConverted);
  std::vector<std::string> colours;
  std::string body = Body(result.text);
  for (std::size_t at = 0; (at = body.find_first_of("kK", at)) != std::string::npos; ++at) {
    if (body[at + 1] != '\n') continue;
    const std::size_t start = body.rfind('\n', at);
    colours.push_back(body.substr(start + 1, at - start));
  }
  EXPECT_EQ(colours, (std::vector<std::string>{"0 1 0 0 k", "0 0.99 0 0 k", "0 0 0 0.75 k",
                                               "0 1 0 0 K", "0 0 0 1 k", "0 1 0 0 k",
                                               "0 0 0 0.498 k"}));
}

TEST(PdfConversionTest, CoordinatesStayInDefaultUserSpace) {
  // A media box away from the origin and a page rotation change nothing in the coordinates.
  const auto rotated = Convert(PagePdf("150 100 m 200 100 l S\n",
                                       "/MediaBox [100 50 400 300] /Rotate 90"));
  ASSERT_EQ(rotated.status, ConversionStatus::kConverted);
  EXPECT_EQ(Body(rotated.text), "0 0 0 1 K\n[] 0 d\n150 100 m\n200 100 l\nS\n");
  EXPECT_NE(rotated.text.find("%%BoundingBox: 100 50 400 300"), std::string::npos);

  // Dashes take the page's scale; an odd dash array repeats.
  const auto scaled = Convert(PagePdf("q 0.1 0 0 0.1 0 0 cm [40] 0 d 100 100 m 500 100 l S Q\n"));
  EXPECT_EQ(Body(scaled.text), "0 0 0 1 K\n[4.00 4.00] 0 d\n10 10 m\n50 10 l\nS\n");
}

TEST(PdfConversionTest, TextShadingsAndClipsAreNotCutPaths) {
  const std::string resources =
      "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> "
      "/Shading << /Sh << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] "
      "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >> >>";
  const auto result = Convert(PagePdf(
      "BT /F1 24 Tf 10 10 Td (Label 1) Tj ET\n"
      "q 0 0 100 100 re W n /Sh sh Q\n"
      "q 10 10 50 50 re W* n Q\n",
      "", resources));
  ASSERT_EQ(result.status, ConversionStatus::kConverted);
  EXPECT_EQ(result.paths, 0u);
  EXPECT_EQ(Body(result.text), "");
}

TEST(PdfConversionTest, SoftMaskContentIsNotDrawn) {
  tools::MinimalPdf pdf;
  const int catalog = pdf.Reserve();
  const int pages = pdf.Reserve();
  const int mask = pdf.AddStream(
      "/Type /XObject /Subtype /Form /BBox [0 0 300 300] /Group << /S /Transparency /CS "
      "/DeviceGray >>",
      "1 g 0 0 m 300 0 l 300 300 l f\n");
  const int content = pdf.AddStream("", "/Masked gs 0 0 0 1 K 10 10 m 20 10 l S\n");
  const int page = pdf.AddObject(
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] /Resources << /ExtGState << "
      "/Masked << /SMask << /S /Luminosity /G " + std::to_string(mask) + " 0 R >> >> >> >> "
      "/Contents " + std::to_string(content) + " 0 R >>");
  pdf.SetObject(pages, "<< /Type /Pages /Kids [" + std::to_string(page) + " 0 R] /Count 1 >>");
  pdf.SetObject(catalog, "<< /Type /Catalog /Pages 2 0 R >>");
  const auto result = Convert(pdf.Build(catalog));
  EXPECT_EQ(Body(result.text), "0 0 0 1 K\n[] 0 d\n10 10 m\n20 10 l\nS\n");
}

// The program itself, as the converter adapter runs it.
struct ProgramRun {
  int exitCode;
  std::string output;
};

ProgramRun Pdf2Ps(const std::filesystem::path& in, const std::filesystem::path& out) {
  const auto outcome = RunChildProcess(
      {std::string(ORVEX_BINARY_DIR) + "/bin/orvex-pdf2ps", in.string(), out.string()}, 60s);
  EXPECT_TRUE(outcome.started);
  EXPECT_FALSE(outcome.timedOut);
  EXPECT_EQ(outcome.signal, 0) << "crashed on " << in;
  return {outcome.exitCode, outcome.output};
}

TEST(Pdf2PsProgramTest, ConvertsTheSampleJobLikeTheBundledEps) {
  TempDir dir;
  const auto run = Pdf2Ps(std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.pdf",
                          dir.File("out.ps"));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(Body(dir.Read("out.ps")),
            Body(ReadFileBytes(std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps")));
}

TEST(Pdf2PsProgramTest, BadInputFailsWithOneLineAndLeavesTheOutputAlone) {
  TempDir dir;
  const std::string good = ReferencePdf();
  tools::MinimalPdf noPages;
  const int catalog = noPages.Reserve();
  noPages.AddObject("<< /Type /Pages /Kids [] /Count 0 >>");
  noPages.SetObject(catalog, "<< /Type /Catalog /Pages 2 0 R >>");
  struct Case {
    std::string name, bytes;
    int exitCode;
  };
  std::string garbage(5000, '\0');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7919 % 251);
  const std::vector<Case> cases = {
      {"empty", "", 4},
      {"one byte", "%", 4},
      {"garbage", garbage, 4},
      {"header only", good.substr(0, 40), 4},
      {"no page", noPages.Build(catalog), 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write("in.pdf", c.bytes);
    dir.Write("out.ps", "previous");
    const ProgramRun run = Pdf2Ps(dir.File("in.pdf"), dir.File("out.ps"));
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    EXPECT_EQ(run.output.rfind("orvex-pdf2ps: ", 0), 0u) << run.output;
    EXPECT_EQ(dir.Read("out.ps"), "previous");
  }
  EXPECT_EQ(Pdf2Ps(dir.File("missing.pdf"), dir.File("out.ps")).exitCode, 3);
  dir.Write("in.pdf", good);
  EXPECT_EQ(Pdf2Ps(dir.File("in.pdf"), dir.File("no-such-dir/out.ps")).exitCode, 7);
  const auto usage = RunChildProcess({std::string(ORVEX_BINARY_DIR) + "/bin/orvex-pdf2ps"}, 10s);
  EXPECT_EQ(usage.exitCode, 2);
  // Nothing but the files the cases wrote: no temporary left behind.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 2u);
}

TEST(Pdf2PsProgramTest, TruncatedPdfsNeverCrashAndNeverLeaveHalfAFile) {
  TempDir dir;
  const std::string good = HandWrittenPdf();
  for (std::size_t cut = 16; cut < good.size(); cut += good.size() / 23) {
    SCOPED_TRACE(cut);
    dir.Write("in.pdf", good.substr(0, cut));
    std::filesystem::remove(dir.File("out.ps"));
    const ProgramRun run = Pdf2Ps(dir.File("in.pdf"), dir.File("out.ps"));
    if (run.exitCode == 0) {
      // poppler rebuilt what it could: whatever it wrote is a whole file.
      const std::string text = dir.Read("out.ps");
      EXPECT_EQ(text.substr(text.size() - 6), "%%EOF\n");
    } else {
      EXPECT_FALSE(dir.Exists("out.ps"));
    }
  }
}

TEST(Pdf2PsProgramTest, EmptyPageConvertsToNothingTheImporterAccepts) {
  TempDir dir;
  dir.Write("in.pdf", PagePdf(""));
  ASSERT_EQ(Pdf2Ps(dir.File("in.pdf"), dir.File("out.ps")).exitCode, 0);
  std::filesystem::create_directories(dir.File("work"));
  EXPECT_FALSE(ImportPostScript(dir.File("out.ps"), dir.File("work")).parsed);
}

TEST(Pdf2PsProgramTest, PasswordProtectedPdfIsRefused) {
  const char* path = std::getenv("PATH");
  const auto gs = FindOnPath("gs", path != nullptr ? path : "/usr/bin");
  if (gs.empty()) GTEST_SKIP() << "gs not installed (ghostscript)";
  TempDir dir;
  dir.Write("job.ps", ReferencePostScript());
  const auto made = RunChildProcess({gs.string(), "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER",
                                     "-sDEVICE=pdfwrite", "-sOwnerPassword=owner",
                                     "-sUserPassword=user", "-o", dir.File("in.pdf").string(),
                                     dir.File("job.ps").string()},
                                    60s);
  ASSERT_TRUE(made.Succeeded()) << made.output;
  const ProgramRun run = Pdf2Ps(dir.File("in.pdf"), dir.File("out.ps"));
  EXPECT_EQ(run.exitCode, 5);
  EXPECT_NE(run.output.find("encrypted"), std::string::npos) << run.output;
  EXPECT_FALSE(dir.Exists("out.ps"));
}

}  // namespace
}  // namespace orvex::test
