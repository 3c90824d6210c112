// PDFs from several producers, made from one job of known geometry, through our converter and
// the importer: every contour, the extents, the marks and the special line as drawn. pdftops'
// results on the same files are printed beside ours, to keep visible why we convert ourselves.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

#include <gtest/gtest.h>

#include "pdf2ps/pdf_to_postscript.h"
#include "pdf2ps/reference_job.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"

namespace orvex::test {
namespace {

using namespace std::chrono_literals;
constexpr double kToleranceMm = 0.02;

std::filesystem::path Tool(const std::string& name) {
  const char* path = std::getenv("PATH");
  return FindOnPath(name, path != nullptr ? path : "/usr/bin:/bin");
}

// Makes `producer`'s PDF of the reference job in `dir`; empty path with `why` when it cannot.
std::filesystem::path MakePdf(const std::string& producer, const TempDir& dir, std::string& why) {
  const std::filesystem::path pdf = dir.File(producer + ".pdf");
  if (producer == "test-written") {
    dir.Write(producer + ".pdf", ReferencePdf());
  } else if (producer == "hand-written") {
    dir.Write(producer + ".pdf", HandWrittenPdf());
  } else if (producer == "cairo") {
    const auto rsvg = Tool("rsvg-convert");
    if (rsvg.empty()) return why = "rsvg-convert not installed (librsvg2-bin)", std::filesystem::path{};
    dir.Write("job.svg", ReferenceSvg());
    const auto run = RunChildProcess(
        {rsvg.string(), "-f", "pdf", "-o", pdf.string(), dir.File("job.svg").string()}, 60s);
    if (!run.Succeeded()) return why = "rsvg-convert failed: " + run.output, std::filesystem::path{};
  } else if (producer == "ghostscript") {
    const auto gs = Tool("gs");
    if (gs.empty()) return why = "gs not installed (ghostscript)", std::filesystem::path{};
    dir.Write("job.ps", ReferencePostScript());
    const auto run = RunChildProcess({gs.string(), "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER",
                                      "-sDEVICE=pdfwrite", "-o", pdf.string(),
                                      dir.File("job.ps").string()},
                                     60s);
    if (!run.Succeeded()) return why = "gs failed: " + run.output, std::filesystem::path{};
  }
  return pdf;
}

bool ConvertOurs(const std::filesystem::path& pdf, const std::filesystem::path& out) {
  const std::string bytes = ReadFileBytes(pdf);
  std::string text;
  const auto result = pdf2ps::ConvertPdfToPostScript(
      bytes.data(), bytes.size(), [&text](std::string_view chunk) { text.append(chunk); }, "t");
  if (result.status != pdf2ps::ConversionStatus::kConverted) return false;
  WriteFileBytes(out, text);
  return true;
}

struct Outcome {
  bool converted = false;
  ImportedJob job;
  double cutDeviation = INFINITY;
  double specialDeviation = INFINITY;
};

Outcome Import(const std::filesystem::path& ps, bool converted, const std::filesystem::path& work) {
  Outcome outcome;
  outcome.converted = converted;
  if (!converted) return outcome;
  std::filesystem::create_directories(work);
  outcome.job = ImportPostScript(ps, work);
  const auto job = ReferenceJob();
  outcome.cutDeviation = Deviation(outcome.job.cut, Polylines(job, false));
  outcome.specialDeviation = Deviation(outcome.job.special, Polylines(job, true));
  return outcome;
}

class ProducerMatrixTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ProducerMatrixTest, ImportsWhereItIsPrinted) {
  TempDir dir;
  std::string why;
  const auto pdf = MakePdf(GetParam(), dir, why);
  if (pdf.empty()) GTEST_SKIP() << why;

  const auto ps = dir.File("out.ps");
  const Outcome ours = Import(ps, ConvertOurs(pdf, ps), dir.File("work"));
  ASSERT_TRUE(ours.converted);
  const ImportedJob& job = ours.job;
  ASSERT_TRUE(job.parsed);

  // Every contour and the special line where the source put them.
  EXPECT_LE(ours.cutDeviation, kToleranceMm);
  EXPECT_LE(ours.specialDeviation, kToleranceMm);
  EXPECT_EQ(job.cut.size(), 6u);  // three marks, two labels, the circle
  EXPECT_EQ(job.special.size(), 1u);

  // Extents: the marks are the outermost shapes.
  EXPECT_NEAR(job.summary.minX, 10, kToleranceMm);
  EXPECT_NEAR(job.summary.minY, 10, kToleranceMm);
  EXPECT_NEAR(job.summary.maxX, 190, kToleranceMm);
  EXPECT_NEAR(job.summary.maxY, 140, kToleranceMm);

  // Marks relative to the job's corner, as mk3.dat has them.
  EXPECT_TRUE(job.marks.marksFileWritten);
  EXPECT_NEAR(job.marks.leftX, 2, kToleranceMm);
  EXPECT_NEAR(job.marks.rightX, 178, kToleranceMm);
  EXPECT_NEAR(job.marks.baseY, 2, kToleranceMm);
  EXPECT_NEAR(job.marks.topX, 2, kToleranceMm);
  EXPECT_NEAR(job.marks.topY, 128, kToleranceMm);

  // Only the 0 1 0 0 line is special (the hand-written file's spot colour with a magenta
  // alternate is not), and its dash is the source's in page points.
  EXPECT_EQ(job.summary.specialCount, 2);  // its colour and its dash each count
  EXPECT_EQ(job.summary.dashOn, 3);
  EXPECT_EQ(job.summary.dashOff, 2);
  EXPECT_NE(ReadFileBytes(ps).find("[3.50 2.50] 0 d"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Producers, ProducerMatrixTest,
                         ::testing::Values("test-written", "cairo", "ghostscript", "hand-written"),
                         [](const auto& info) {
                           std::string name = info.param;
                           std::erase(name, '-');
                           return name;
                         });

std::string Describe(const Outcome& outcome) {
  char text[160];
  if (!outcome.converted) return "not converted";
  if (!outcome.job.parsed) return "no paths imported";
  std::snprintf(text, sizeof text, "%8.3f %8.3f  %6.1f x %-6.1f dash %d/%d",
                outcome.cutDeviation, outcome.specialDeviation, outcome.job.summary.width,
                outcome.job.summary.height, outcome.job.summary.dashOn, outcome.job.summary.dashOff);
  return text;
}

// Side by side with pdftops -level2sep. Only the identity-transform file is required of pdftops
// (it is the fallback converter); the others are reported, as the reason for our converter.
TEST(ProducerMatrixReport, OursBesidePdftops) {
  const auto pdftops = Tool("pdftops");
  if (pdftops.empty()) GTEST_SKIP() << "pdftops not installed (poppler-utils)";
  TempDir dir;
  std::cout << "\nproducer      | converter | cut dev mm | special dev mm | size mm (180 x 130) | dash (3/2)\n";
  for (const char* producer : {"test-written", "cairo", "ghostscript", "hand-written"}) {
    std::string why;
    const auto pdf = MakePdf(producer, dir, why);
    if (pdf.empty()) {
      std::cout << producer << ": skipped, " << why << "\n";
      continue;
    }
    const auto oursPs = dir.File(std::string(producer) + "-ours.ps");
    const Outcome ours = Import(oursPs, ConvertOurs(pdf, oursPs), dir.File(std::string(producer) + "-w1"));
    const auto theirsPs = dir.File(std::string(producer) + "-pdftops.ps");
    const auto run = RunChildProcess({pdftops.string(), "-level2sep", pdf.string(), theirsPs.string()}, 60s);
    const Outcome theirs = Import(theirsPs, run.Succeeded(), dir.File(std::string(producer) + "-w2"));
    const bool oursRight = ours.cutDeviation <= kToleranceMm && ours.specialDeviation <= kToleranceMm;
    const bool theirsRight = theirs.cutDeviation <= kToleranceMm && theirs.specialDeviation <= kToleranceMm;
    std::printf("%-13s | ours      | %s  %s\n", producer, Describe(ours).c_str(), oursRight ? "right" : "WRONG");
    std::printf("%-13s | pdftops   | %s  %s\n", producer, Describe(theirs).c_str(), theirsRight ? "right" : "WRONG");
    EXPECT_TRUE(oursRight) << producer;
    if (std::string(producer) == "test-written") {
      EXPECT_TRUE(theirsRight);
    }
  }
  std::cout << std::flush;
}

}  // namespace
}  // namespace orvex::test
