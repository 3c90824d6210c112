// The bundled sample job: the committed files are what the generator writes today and the PDF
// converts to the very body of the EPS. (The EPS's import is every run transcript's.)
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
  for (const char* file : {"label-sheet.eps", "label-sheet.pdf"}) {
    EXPECT_EQ(dir.Read(file), ReadFileBytes(kSamples + file))
        << "regenerate: orvex_make_sample_job samples";
  }
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
