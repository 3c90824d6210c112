// The reference job from its producers through orvex-cli import, as the operator meets it: the
// hand-written PDF (every transform our converter applies), Ghostscript's PDF of it (a real
// producer through orvex-pdf2ps) and Ghostscript's EPS of it (drawn under a scale the parser
// does not follow, so redrawn by Ghostscript). Each lands where the job put it.
#include <gtest/gtest.h>

#include <string>

#include "pdf2ps/reference_job.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"

namespace orvex::test {
namespace {

using namespace std::chrono_literals;

const std::string kCli = std::string(ORVEX_BINARY_DIR) + "/bin/orvex-cli";

ChildOutcome Import(const TempDir& dir, const std::filesystem::path& file) {
  return RunChildProcess({kCli, "import", file.string(), "--workdir", dir.File("work").string(),
                          "--settings", dir.File("orvex.conf").string(), "--json"},
                         120s);
}

struct Producer {
  const char* name;
  const char* gsDevice;  // nullptr: the hand-written PDF
  const char* file;
  const char* route;
};

class ProducerTest : public ::testing::TestWithParam<Producer> {};

TEST_P(ProducerTest, ImportsWhereTheJobIsDrawn) {
  const Producer& p = GetParam();
  if (!IsExecutableFile(kCli)) GTEST_SKIP() << "orvex-cli not built";
  TempDir dir;
  std::filesystem::create_directories(dir.File("work"));
  std::string why;
  if (p.gsDevice == nullptr) {
    dir.Write(p.file, HandWrittenPdf());
  } else if (!DrawWithGhostscript(p.gsDevice, dir.File(p.file), why)) {
    GTEST_SKIP() << why;
  }
  const ChildOutcome run = Import(dir, dir.File(p.file));
  const std::string& json = run.output;
  ASSERT_EQ(run.exitCode, 0) << json;
  EXPECT_NE(json.find(std::string("\"route\": \"") + p.route + "\""), std::string::npos) << json;
  // Only the 0 1 0 0 line is special, with its dash in page points.
  EXPECT_NE(json.find("\"dash\": [3, 2]"), std::string::npos) << json;
  EXPECT_NE(json.find("\"special_contours\": 1"), std::string::npos) << json;

  // Every contour where the source put it, relative to the job's corner (the mark at 10, 10): a
  // redrawn EPS sits on a page of its bounding box. The three marks, two labels and the circle,
  // sorted as PathBoxes sorts, then the special line.
  const std::vector<Box> want = {{10, 10, 14, 14},   {10, 136, 14, 140}, {30, 30, 80, 60},
                                 {62, 77, 98, 113},  {100, 30, 150, 60}, {186, 10, 190, 14},
                                 {30, 125, 170, 125}};
  std::vector<Box> boxes = PathBoxes(dir.File("work/PSINT"));
  const std::vector<Box> special = PathBoxes(dir.File("work/TPSINT"));
  boxes.insert(boxes.end(), special.begin(), special.end());
  ASSERT_EQ(boxes.size(), want.size());
  const double dx = boxes[0].x1 - 10, dy = boxes[0].y1 - 10;
  for (std::size_t i = 0; i < want.size(); ++i) {
    const Box &got = boxes[i], &box = want[i];
    SCOPED_TRACE(testing::Message() << box.x1 << " " << box.y1);
    EXPECT_NEAR(got.x1 - dx, box.x1, 0.05);
    EXPECT_NEAR(got.y1 - dy, box.y1, 0.05);
    EXPECT_NEAR(got.x2 - dx, box.x2, 0.05);
    EXPECT_NEAR(got.y2 - dy, box.y2, 0.05);
  }
}

INSTANTIATE_TEST_SUITE_P(Producers, ProducerTest,
                         ::testing::Values(Producer{"HandWrittenPdf", nullptr, "job.pdf", "pdf"},
                                           Producer{"GhostscriptPdf", "pdfwrite", "job.pdf", "pdf"},
                                           Producer{"GhostscriptEps", "eps2write", "job.eps",
                                                    "ghostscript"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvex::test
