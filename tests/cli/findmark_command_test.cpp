// orvex-cli findmark end to end: a drawn frame saved as a snapshot, the printed results and the
// exit statuses.
#include <gtest/gtest.h>

#include <string>

#include "cli_runner.h"
#include "support/temp_dir.h"
#include "vision/snapshot.h"

namespace orvex::test {
namespace {

// A 46-pixel square of `ink` at (left, top) on `paper`, saved as a snapshot; its path, quoted.
std::string Square(const TempDir& dir, const std::string& name, int left, int top, int paper,
                   int ink) {
  CameraFrame frame = MakeStandardFrame();
  for (int r = 0; r < kFrameHeight; ++r) {
    for (int c = 0; c < kFrameWidth; ++c) {
      const bool inside = c >= left && c < left + 46 && r >= top && r < top + 46;
      std::uint8_t* p = frame.bytes.data() + static_cast<std::size_t>(r) * kFrameStride +
                        static_cast<std::size_t>(c) * 3;
      p[0] = p[1] = p[2] = static_cast<std::uint8_t>(inside ? ink : paper);
    }
  }
  WriteFileBytes(dir.File(name), EncodeBitmap(frame));
  return Quoted(dir.File(name).string());
}

CliOutcome Findmark(const std::string& arguments) {
  return RunCli("findmark " + arguments, Stderr::kDropped);
}

TEST(FindMarkCommand, PrintsTheMarkOrTheCalibrationOffsetsAndRefusesWhatIsNotAFrame) {
  TempDir dir;
  const std::string mark = Square(dir, "StillCap0001.bmp", 300, 200, 220, 20);
  const CliOutcome found = Findmark(mark + " --json");
  EXPECT_EQ(found.status, 0);
  EXPECT_EQ(found.out, "{\"found\": true, \"col\": 322.0, \"row\": 223.0}\n");
  const CliOutcome read =
      Findmark(Square(dir, "cut.bmp", 297, 217, 20, 220) + " --calibration --json --edge");
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.out, "{\"found\": true, \"col\": 319.0, \"row\": 240.0, \"x\": 65, \"y\": 80}\n");
  const CliOutcome edge = Findmark(mark + " --edge");
  EXPECT_EQ(edge.status, 1);
  EXPECT_EQ(edge.out, "edge not found\n");

  dir.Write("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n");
  CameraFrame small;
  small.width = small.height = 4;
  small.bytes.assign(48, 0);
  WriteFileBytes(dir.File("small.bmp"), EncodeBitmap(small));
  for (const char* refused : {"job.eps", "small.bmp", "absent.bmp"}) {
    EXPECT_EQ(Findmark(Quoted(dir.File(refused).string())).status, 2) << refused;
  }
  EXPECT_EQ(Findmark("--mpix x").status, 2);
}

}  // namespace
}  // namespace orvex::test
