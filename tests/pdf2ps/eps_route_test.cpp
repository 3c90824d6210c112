// EPS and PostScript from real producers through the preflight: the reference job drawn by cairo
// and by Ghostscript's EPS writer (which draws under a scale the parser does not follow), the
// bare PostScript of it, and a gnuplot plot. Each must import true to its producer's bounding
// box, by the route the preflight names, with the marks where the job put them.
#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "import/dsc_comments.h"
#include "pdf2ps/reference_job.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"

namespace orvex::test {
namespace {

using namespace std::chrono_literals;

const std::string kCli = std::string(ORVEX_BINARY_DIR) + "/bin/orvex-cli";

std::filesystem::path Tool(const std::string& name) {
  const char* path = std::getenv("PATH");
  return FindOnPath(name, path != nullptr ? path : "/usr/bin:/bin");
}

// The number after `"key": ` in the preflight's JSON (NAN when absent or null).
double JsonNumber(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\": ");
  if (at == std::string::npos) return NAN;
  const char* start = json.c_str() + at + key.size() + 4;
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  return end == start ? NAN : value;
}

// Makes `producer`'s file in `dir`; empty with `why` when the producer is not installed.
std::filesystem::path MakeEps(const std::string& producer, const TempDir& dir, std::string& why) {
  dir.Write("job.pdf", ReferencePdf());
  const std::string pdf = dir.File("job.pdf").string();
  const std::filesystem::path eps = dir.File(producer + ".eps");
  std::vector<std::string> argv;
  if (producer == "cairo") {
    // rsvg-convert draws through cairo's EPS surface. (pdftocairo -eps turns a landscape page
    // and declares a box that misses part of it.)
    if (Tool("rsvg-convert").empty()) return why = "rsvg-convert not installed (librsvg2-bin)", "";
    dir.Write("job.svg", ReferenceSvg());
    argv = {Tool("rsvg-convert").string(), "-f", "eps", "-o", eps.string(),
            dir.File("job.svg").string()};
  } else if (producer == "ghostscript") {
    if (Tool("gs").empty()) return why = "gs not installed (ghostscript)", "";
    argv = {Tool("gs").string(), "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=eps2write",
            "-o", eps.string(), pdf};
  } else if (producer == "postscript") {
    dir.Write(producer + ".eps", ReferencePostScript());
    return eps;
  } else if (producer == "gnuplot") {
    if (Tool("gnuplot").empty()) return why = "gnuplot not installed (gnuplot-nox)", "";
    dir.Write("plot.gp", "set terminal postscript eps size 12cm,8.6cm\nset output '" +
                             eps.string() + "'\nplot sin(x) with lines, cos(x) with points\n");
    argv = {Tool("gnuplot").string(), dir.File("plot.gp").string()};
  }
  const ChildOutcome made = RunChildProcess(argv, 60s);
  if (!made.Succeeded()) return why = producer + " failed: " + made.output, "";
  return eps;
}

class EpsRouteTest : public ::testing::TestWithParam<const char*> {};

TEST_P(EpsRouteTest, ImportsTrueToTheProducersBoundingBox) {
  if (!IsExecutableFile(kCli)) GTEST_SKIP() << "orvex-cli not built";
  if (Tool("gs").empty()) GTEST_SKIP() << "gs not installed (ghostscript)";
  const std::string producer = GetParam();
  TempDir dir;
  std::string why;
  const std::filesystem::path eps = MakeEps(producer, dir, why);
  if (eps.empty()) GTEST_SKIP() << why;
  const ChildOutcome run =
      RunChildProcess({kCli, "import", eps.string(), "--workdir", dir.File("work").string(),
                       "--settings", dir.File("orvex.conf").string(), "--json"},
                      120s);
  const std::string& json = run.output;
  ASSERT_TRUE(run.started);
  EXPECT_NE(json.find("\"route\": \"ghostscript\""), std::string::npos) << json;
  const double width = JsonNumber(json, "width_mm");
  const double height = JsonNumber(json, "height_mm");

  if (producer == "gnuplot") {
    // Its text is in the bounding box but never cut: the paths lie inside it, nearly filling it
    // (not ten times larger, as the parser alone reads them).
    const DscFacts facts = ReadDscFacts(eps);
    ASSERT_TRUE(facts.boundingBox.has_value());
    EXPECT_LE(width, facts.boundingBox->WidthMm() + 1.0) << json;
    EXPECT_LE(height, facts.boundingBox->HeightMm() + 1.0) << json;
    EXPECT_GE(width, 0.8 * facts.boundingBox->WidthMm()) << json;
    EXPECT_GE(height, 0.8 * facts.boundingBox->HeightMm()) << json;
    return;
  }
  // The reference job: marks 10 mm inside the page, 180 x 130 mm between their outer edges.
  EXPECT_EQ(run.exitCode, 0) << json;
  EXPECT_NEAR(width, 180.0, 0.1) << json;
  EXPECT_NEAR(height, 130.0, 0.1) << json;
  if (const DscFacts facts = ReadDscFacts(eps); facts.boundingBox) {
    EXPECT_NEAR(width, facts.boundingBox->WidthMm(), 1.0);
    EXPECT_NEAR(height, facts.boundingBox->HeightMm(), 1.0);
  }
  EXPECT_NEAR(JsonNumber(json, "left_x"), 2.0, 0.05) << json;
  EXPECT_NEAR(JsonNumber(json, "right_x"), 178.0, 0.05) << json;
  EXPECT_NEAR(JsonNumber(json, "base_y"), 2.0, 0.05) << json;
  EXPECT_NEAR(JsonNumber(json, "top_y"), 128.0, 0.05) << json;
  EXPECT_NE(json.find("\"special_contours\": 1"), std::string::npos) << json;
}

INSTANTIATE_TEST_SUITE_P(Producers, EpsRouteTest,
                         ::testing::Values("cairo", "ghostscript", "postscript", "gnuplot"));

}  // namespace
}  // namespace orvex::test
