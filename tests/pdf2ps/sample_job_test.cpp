// The bundled sample job: the committed files are what the generator writes today, the EPS
// imports as a label sheet should (marks far enough apart, eighteen labels, one dashed special
// line) and the PDF converts to the very body of the EPS.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "import/eps_path_parser.h"
#include "import/job_marks.h"
#include "pdf2ps/reference_job.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"

namespace orvex::test {
namespace {

using namespace std::chrono_literals;

const std::string kSamples = std::string(ORVEX_SOURCE_DIR) + "/samples/";

TEST(SampleJobTest, CommittedSamplesAreTheGeneratorsOutput) {
  TempDir dir;
  const auto run = RunChildProcess(
      {std::string(ORVEX_BINARY_DIR) + "/bin/orvex_make_sample_job", dir.Path().string()}, 60s);
  ASSERT_TRUE(run.Succeeded()) << run.output;
  for (const char* file : {"label-sheet.eps", "label-sheet.pdf"}) {
    EXPECT_EQ(dir.Read(file), ReadFileBytes(kSamples + file))
        << "regenerate: orvex_make_sample_job samples";
  }
}

TEST(SampleJobTest, EpsImportsAsALabelSheet) {
  TempDir work;
  EpsPathParser parser(work.Path());
  ASSERT_TRUE(parser.ParseEps(kSamples + "label-sheet.eps", 1));
  const ParseSummary& s = parser.Summary();
  // The magenta colour and the dash of the one line; the marks span 10..200 mm across and
  // 10..287 mm along.
  EXPECT_EQ((std::array{s.specialCount, s.dashOn, s.dashOff}), (std::array{2, 3, 2}));
  const JobMarks marks = LocateJobMarks(work.File("PSINT"), work.File("mk3.dat"), s.minX, s.minY);
  EXPECT_THAT((std::vector<float>{s.minX, s.minY, marks.rightX, marks.topY}),
              testing::Pointwise(testing::FloatNear(0.01F), {10, 10, 188, 275}));
  // Three marks and eighteen labels to cut, one special line.
  EXPECT_EQ(PathBoxes(work.File("PSINT")).size(), 21U);
  EXPECT_EQ(PathBoxes(work.File("TPSINT")).size(), 1U);
}

TEST(SampleJobTest, PdfConvertsToTheBodyOfTheEps) {
  TempDir dir;
  const auto run = RunChildProcess({std::string(ORVEX_BINARY_DIR) + "/bin/orvex-pdf2ps",
                                    kSamples + "label-sheet.pdf", dir.File("out.ps").string()},
                                   60s);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(PageBody(dir.Read("out.ps")), PageBody(ReadFileBytes(kSamples + "label-sheet.eps")));
}

}  // namespace
}  // namespace orvex::test
