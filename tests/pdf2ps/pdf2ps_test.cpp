// The converter on its own: the PostScript dialect it writes (numbers, colours, dashes), what it
// makes of PDF features, the program's handling of bad input (exit code, one line on stderr, no
// file at OUT.ps), and the bundled sample job: its committed files are what the generator writes
// today, and its PDF converts to the very body of its EPS. (What the import makes of converted
// PDFs, the reference job's among them, are import rows of the run transcripts.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "pdf2ps/pdf_to_postscript.h"
#include "pdf2ps/postscript_writer.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"
#include "tools/minimal_pdf.h"

namespace orvex::test {
namespace {

using namespace std::chrono_literals;
using pdf2ps::ConversionStatus;

const std::string kSamples = std::string(ORVEX_SOURCE_DIR) + "/samples/";
const std::string kInputs = std::string(ORVEX_SOURCE_DIR) + "/tests/cli/inputs/";

// What the parser reads of a converter's PostScript: everything between %%EndPageSetup and
// showpage.
std::string PageBody(const std::string& postScript) {
  const std::size_t begin = postScript.find("%%EndPageSetup\n");
  const std::size_t end = postScript.find("showpage\n");
  if (begin == std::string::npos || end == std::string::npos) return "<none>";
  return postScript.substr(begin + 15, end - begin - 15);
}

std::string Write(const std::function<void(pdf2ps::PostScriptWriter&)>& draw) {
  std::string out;
  {
    pdf2ps::PostScriptWriter writer([&out](std::string_view chunk) { out.append(chunk); });
    draw(writer);
  }
  return out;
}

// Numbers are fixed-point tokens the parser reads ("0.5", never ".5" nor an exponent). The
// parser tells a dash from a solid stroke by the characters from "[" to the end of "d" (more
// than 10, fewer than 28), and the special colour by its exact text.
TEST(PostScriptWriterTest, NumbersDashesAndColoursAreTokensTheParserReads) {
  const std::vector<std::pair<double, std::string>> numbers = {
      {1.0, "1"},           {0.5, "0.5"},     {-0.0004, "0"},
      {12.34567, "12.346"}, {-3.25, "-3.25"}, {1e17, "100000000000000000"}};
  for (const auto& [value, text] : numbers) {
    EXPECT_EQ(pdf2ps::FormatNumber(value, 3), text);
  }
  EXPECT_EQ(Write([](auto& w) {
              w.SetDash(3.5, 2.5);
              w.SetDash(0.01, 0.01);
              w.SetDash(9999.99, 9999.99);
              for (double on : {0.0, std::nan(""), -1.0, 1e300}) w.SetDash(on, 0);  // solid
              w.SetStrokeColor({0, 1, 0, 0});
              w.SetFillColor({0, 0.99999, 0, 0});             // rounds to 1 at four decimals
              w.SetFillColor({0.00001, 1, 0, 0});             // rounds to 0
              w.SetFillColor({-0.5, 2, std::nan(""), 0.25});  // clamped, never an odd token
            }),
            "[3.50 2.50] 0 d\n[0.01 0.01] 0 d\n[9999.99 9999.99] 0 d\n[] 0 d\n[] 0 d\n[] 0 d\n"
            "[] 0 d\n0 1 0 0 K\n0 0.9999 0 0 k\n0.0001 1 0 0 k\n0 1 0 0.25 k\n");
}

// One page: 1 catalog, 2 pages, 3 the page, 4 its content, 5 a form a soft mask may use.
std::string PagePdf(const std::string& content, const std::string& resources = "",
                    const std::string& box = "/MediaBox [0 0 300 300]",
                    const std::string& maskForm = "") {
  tools::MinimalPdf pdf;
  pdf.AddObject("<< /Type /Catalog /Pages 2 0 R >>");
  pdf.AddObject("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  pdf.AddObject("<< /Type /Page /Parent 2 0 R " + box + " /Resources << " + resources +
                " >> /Contents 4 0 R >>");
  pdf.AddStream("", content);
  pdf.AddStream(
      "/Type /XObject /Subtype /Form /BBox [0 0 300 300] /Group << /S /Transparency "
      "/CS /DeviceGray >>",
      maskForm);
  return pdf.Build(1);
}

struct PageCase {
  const char* name;
  std::string pdf;
  std::string body;
  std::size_t paths;
};

TEST(PdfConversionTest, PagesBecomeTheBodyTheParserReads) {
  const std::string fonts =
      "/Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> "
      "/Shading << /Sh << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] "
      "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >> >>";
  const std::string colours =
      "/ColorSpace << /Spot [/Separation /Magenta /DeviceCMYK << /FunctionType 2 /Domain [0 1] "
      "/C0 [0 0 0 0] /C1 [0 1 0 0] /N 1 >>] /Pal [/Indexed /DeviceRGB 1 <FF00FF808080>] >>";
  auto fill = [](const char* colour) {
    return colour + std::string(" k\n0 0 m\n1 0 l\n0 0 l\nf\n");
  };
  const std::string stroke = "0 0 0 1 K\n[] 0 d\n";
  const std::vector<PageCase> cases = {
      {"closed subpaths get an explicit line back, open ones stay open, lone movetos go",
       PagePdf("0 0 0 1 K 10 10 m 20 10 l 20 20 l h S\n30 30 m 40 30 l 40 40 l S\n"
               "0 g 50 50 m 60 50 l 60 60 l f\n70 70 m 80 70 l 80 80 l 70 70 l h S\n"
               "90 90 m S 100 100 m 110 100 l 100 110 115 120 130 100 c S\n"),
       stroke + "10 10 m\n20 10 l\n20 20 l\n10 10 l\nS\n" + stroke +
           "30 30 m\n40 30 l\n40 40 l\nS\n" + "0 0 0 1 k\n50 50 m\n60 50 l\n60 60 l\n50 50 l\nf\n" +
           stroke + "70 70 m\n80 70 l\n80 80 l\n70 70 l\nS\n" + stroke +
           "100 100 m\n110 100 l\n100 110 115 120 130 100 c\nS\n",
       5},
      {"a media box off the origin and a rotation change no coordinate",
       PagePdf("150 100 m 200 100 l S\n", "", "/MediaBox [100 50 400 300] /Rotate 90"),
       stroke + "150 100 m\n200 100 l\nS\n", 1},
      {"dashes take the page's scale; an odd dash array repeats",
       PagePdf("q 0.1 0 0 0.1 0 0 cm [40] 0 d 100 100 m 500 100 l S Q\n"),
       "0 0 0 1 K\n[4.00 4.00] 0 d\n10 10 m\n50 10 l\nS\n", 1},
      {"text, shadings and clips are no cut paths",
       PagePdf("BT /F1 24 Tf 10 10 Td (Label 1) Tj ET\nq 0 0 100 100 re W n /Sh sh Q\n"
               "q 10 10 50 50 re W* n Q\n",
               fonts),
       "", 0},
      {"colours become process CMYK: RGB magenta is special, nearly magenta is not, spot "
       "colours are black whatever their alternate, indexed ones go through their palette",
       PagePdf("1 0 1 rg 0 0 m 1 0 l f 1 0.01 1 rg 0 0 m 1 0 l f 0.25 g 0 0 m 1 0 l f\n"
               "/Spot cs 1 scn 0 0 m 1 0 l f /Pal cs 0 sc 0 0 m 1 0 l f 1 sc 0 0 m 1 0 l f\n",
               colours),
       fill("0 1 0 0") + fill("0 0.99 0 0") + fill("0 0 0 0.75") + fill("0 0 0 1") +
           fill("0 1 0 0") + fill("0 0 0 0.498"),
       6},
      {"a soft mask's content is not drawn",
       PagePdf("/Masked gs 0 0 0 1 K 10 10 m 20 10 l S\n",
               "/ExtGState << /Masked << /SMask << /S /Luminosity /G 5 0 R >> >> >>",
               "/MediaBox [0 0 300 300]", "1 g 0 0 m 300 0 l 300 300 l f\n"),
       stroke + "10 10 m\n20 10 l\nS\n", 1},
  };
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text;
    const auto result = pdf2ps::ConvertPdfToPostScript(
        c.pdf.data(), c.pdf.size(), [&text](std::string_view chunk) { text.append(chunk); }, "t");
    EXPECT_EQ(result.status, ConversionStatus::kConverted);
    EXPECT_EQ(PageBody(text), c.body);
    EXPECT_EQ(result.paths, c.paths);
  }
}

// The program as the converter adapter runs it.
ChildOutcome Pdf2Ps(const std::filesystem::path& in, const std::filesystem::path& out) {
  const auto outcome = RunChildProcess(
      {std::string(ORVEX_BINARY_DIR) + "/bin/orvex-pdf2ps", in.string(), out.string()}, 60s);
  EXPECT_TRUE(outcome.started);
  EXPECT_EQ(outcome.signal, 0) << "crashed on " << in;
  return outcome;
}

TEST(Pdf2PsProgramTest, BadInputFailsWithOneLineAndLeavesTheOutputAlone) {
  TempDir dir;
  const std::string good = ReadFileBytes(kInputs + "import-reference-job.pdf");
  tools::MinimalPdf noPages;
  noPages.AddObject("<< /Type /Catalog /Pages 2 0 R >>");
  noPages.AddObject("<< /Type /Pages /Kids [] /Count 0 >>");
  for (const auto& [name, bytes, exitCode] : std::vector<std::tuple<std::string, std::string, int>>{
           {"empty", "", 4},
           {"truncated", good.substr(0, good.size() / 3), 4},
           {"no page", noPages.Build(1), 6},
           {"encrypted", ReadFileBytes(kInputs + "import-encrypted.pdf"), 5}}) {
    SCOPED_TRACE(name);
    dir.Write("in.pdf", bytes);
    dir.Write("out.ps", "previous");
    const ChildOutcome run = Pdf2Ps(dir.File("in.pdf"), dir.File("out.ps"));
    EXPECT_EQ(run.exitCode, exitCode) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    EXPECT_EQ(run.output.rfind("orvex-pdf2ps: ", 0), 0U) << run.output;
    EXPECT_EQ(dir.Read("out.ps"), "previous");
  }
  EXPECT_EQ(Pdf2Ps(dir.File("missing.pdf"), dir.File("out.ps")).exitCode, 3);
  dir.Write("in.pdf", good);
  EXPECT_EQ(Pdf2Ps(dir.File("in.pdf"), dir.File("no-such-dir/out.ps")).exitCode, 7);
  EXPECT_EQ(RunChildProcess({std::string(ORVEX_BINARY_DIR) + "/bin/orvex-pdf2ps"}, 10s).exitCode,
            2);
  // Nothing but the files the cases wrote: no temporary left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator{}),
            2);
}

TEST(SampleJobTest, CommittedSamplesAreTheGeneratorsOutput) {
  TempDir dir;
  const auto run = RunChildProcess(
      {std::string(ORVEX_BINARY_DIR) + "/bin/orvex_make_sample_job", dir.Path().string()}, 60s);
  ASSERT_TRUE(run.Succeeded()) << run.output;
  for (const char* file : {"label-sheet.eps", "label-sheet.pdf"}) {
    EXPECT_EQ(dir.Read(file), ReadFileBytes(kSamples + file))
        << "regenerate: orvex_make_sample_job samples";
  }
  const ChildOutcome converted = Pdf2Ps(kSamples + "label-sheet.pdf", dir.File("out.ps"));
  ASSERT_EQ(converted.exitCode, 0) << converted.output;
  EXPECT_EQ(converted.output, "");
  EXPECT_EQ(PageBody(dir.Read("out.ps")), PageBody(ReadFileBytes(kSamples + "label-sheet.eps")));
}

}  // namespace
}  // namespace orvex::test
