// The bundled sample job: the committed files are what the generator writes today, and the EPS
// imports as a label sheet should (marks found and far enough apart, labels cut, one dashed
// special line), the PDF through our converter to the same paths.
#include <gtest/gtest.h>

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
  EXPECT_EQ(dir.Read("label-sheet.eps"), ReadFileBytes(kSamples + "label-sheet.eps"))
      << "regenerate: orvex_make_sample_job samples";
  EXPECT_EQ(dir.Read("label-sheet.pdf"), ReadFileBytes(kSamples + "label-sheet.pdf"))
      << "regenerate: orvex_make_sample_job samples";
}

TEST(SampleJobTest, EpsImportsAsALabelSheet) {
  TempDir work;
  EpsPathParser parser(work.Path());
  ASSERT_TRUE(parser.ParseEps(kSamples + "label-sheet.eps", 1));
  const ParseSummary& summary = parser.Summary();
  // The marks span the job: 10..200 mm across, 10..287 mm along.
  EXPECT_NEAR(summary.minX, 10, 0.01);
  EXPECT_NEAR(summary.maxX, 200, 0.01);
  EXPECT_NEAR(summary.minY, 10, 0.01);
  EXPECT_NEAR(summary.maxY, 287, 0.01);
  EXPECT_EQ(summary.specialCount, 2);  // the magenta colour and the dash of the one line
  EXPECT_EQ(summary.dashOn, 3);
  EXPECT_EQ(summary.dashOff, 2);

  const JobMarks marks = LocateJobMarks(work.File("PSINT"), work.File("mk3.dat"), summary.minX,
                                        summary.minY);
  EXPECT_NEAR(marks.leftX, 2, 0.01);
  EXPECT_NEAR(marks.rightX, 188, 0.01);
  EXPECT_GE(marks.rightX - marks.leftX, kMinMarkDistanceMm);
  EXPECT_NEAR(marks.baseY, 2, 0.01);
  EXPECT_NEAR(marks.topX, 2, 0.01);
  EXPECT_NEAR(marks.topY, 275, 0.01);

  // Three marks and eighteen labels to cut, one special line.
  EXPECT_EQ(ReadPathFile(work.File("PSINT")).size(), 21u);
  EXPECT_EQ(ReadPathFile(work.File("TPSINT")).size(), 1u);
}

TEST(SampleJobTest, PdfConvertsToTheSamePaths) {
  TempDir dir;
  const auto run = RunChildProcess({std::string(ORVEX_BINARY_DIR) + "/bin/orvex-pdf2ps",
                                    kSamples + "label-sheet.pdf", dir.File("out.ps").string()},
                                   60s);
  ASSERT_TRUE(run.Succeeded()) << run.output;
  std::filesystem::create_directories(dir.File("eps"));
  std::filesystem::create_directories(dir.File("pdf"));
  EpsPathParser fromEps(dir.File("eps"));
  ASSERT_TRUE(fromEps.ParseEps(kSamples + "label-sheet.eps", 1));
  EpsPathParser fromPdf(dir.File("pdf"));
  ASSERT_TRUE(fromPdf.ParseEps(dir.File("out.ps"), 3));
  EXPECT_EQ(ReadFileBytes(dir.File("eps/PSINT")), ReadFileBytes(dir.File("pdf/PSINT")));
  EXPECT_EQ(ReadFileBytes(dir.File("eps/TPSINT")), ReadFileBytes(dir.File("pdf/TPSINT")));
}

}  // namespace
}  // namespace orvex::test
