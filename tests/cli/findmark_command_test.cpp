// orvex-cli findmark end to end: a drawn frame saved as a snapshot, the printed results and the
// exit statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli_runner.h"
#include "support/temp_dir.h"
#include "vision/snapshot.h"

namespace orvex::test {
namespace {

CliOutcome Findmark(const std::string& arguments) {
  return RunCli("findmark " + arguments, Stderr::kDropped);
}

CameraFrame Square(int left, int top, int paper, int ink) {
  CameraFrame frame = MakeStandardFrame();
  for (int r = 0; r < kFrameHeight; ++r) {
    for (int c = 0; c < kFrameWidth; ++c) {
      const bool inside = c >= left && c < left + 46 && r >= top && r < top + 46;
      std::uint8_t* p = frame.bytes.data() + static_cast<std::size_t>(r) * kFrameStride +
                        static_cast<std::size_t>(c) * 3;
      p[0] = p[1] = p[2] = static_cast<std::uint8_t>(inside ? ink : paper);
    }
  }
  return frame;
}

class FindMarkCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::filesystem::path(ORVEX_BINARY_DIR) / "bin" / "orvex-cli")) {
      GTEST_SKIP() << "orvex-cli is not built";
    }
  }
  TempDir dir;
};

TEST_F(FindMarkCommand, PrintsTheMarkAndTheCalibrationOffsets) {
  WriteFileBytes(dir.File("StillCap0001.bmp"), EncodeBitmap(Square(300, 200, 220, 20)));
  const std::string frame = "'" + dir.File("StillCap0001.bmp").string() + "'";
  const CliOutcome found = Findmark(frame + " --json");
  EXPECT_EQ(found.status, 0);
  EXPECT_EQ(found.out, "{\"found\": true, \"col\": 322.0, \"row\": 223.0}\n");

  WriteFileBytes(dir.File("cut.bmp"), EncodeBitmap(Square(297, 217, 20, 220)));
  const CliOutcome read =
      Findmark("'" + dir.File("cut.bmp").string() + "' --calibration --json --edge");
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.out, "{\"found\": true, \"col\": 319.0, \"row\": 240.0, \"x\": 65, \"y\": 80}\n");

  const CliOutcome edge = Findmark(frame + " --edge");
  EXPECT_EQ(edge.status, 1);
  EXPECT_EQ(edge.out, "edge not found\n");
}

TEST_F(FindMarkCommand, RefusesFilesThatAreNotFramesWithStatusTwo) {
  dir.Write("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n");
  EXPECT_EQ(Findmark("'" + dir.File("job.eps").string() + "'").status, 2);
  CameraFrame small;
  small.width = 4;
  small.height = 4;
  small.bytes.assign(48, 0);
  WriteFileBytes(dir.File("small.bmp"), EncodeBitmap(small));
  EXPECT_EQ(Findmark("'" + dir.File("small.bmp").string() + "'").status, 2);
  EXPECT_EQ(Findmark("'" + dir.File("absent.bmp").string() + "'").status, 2);
  EXPECT_EQ(Findmark("--mpix x").status, 2);
}

}  // namespace
}  // namespace orvex::test
