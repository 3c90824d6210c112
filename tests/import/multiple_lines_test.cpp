// The safe replacement of TPSINT by the multiple special lines. (Their geometry and text are
// import rows of the run transcripts.)
#include "import/multiple_lines.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvex {
namespace {

TEST(MultipleLines, UnwritableLayoutKeepsTheSpecialFile) {
  test::TempDir dir;
  dir.Write("TPSINT", "M \nL 0.00 0.00 10.00 0.00 \n");
  EXPECT_FALSE(
      LayoutMultipleLines(dir.File("TPSINT"), dir.File("missing") / "multi.prn", 3, 0.5).ok);
  EXPECT_EQ(dir.Read("TPSINT"), "M \nL 0.00 0.00 10.00 0.00 \n");
}

}  // namespace
}  // namespace orvex
