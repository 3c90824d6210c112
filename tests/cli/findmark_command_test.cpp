// orvex-cli findmark end to end: a drawn frame saved as a snapshot, the printed results and the
// exit statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"
#include "vision/snapshot.h"

namespace orvex::test {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
};

Outcome RunCli(const std::string& arguments) {
  const std::filesystem::path cli = std::filesystem::path(ORVEX_BINARY_DIR) / "bin" / "orvex-cli";
  Outcome outcome;
  std::FILE* pipe =
      ::popen(("'" + cli.string() + "' findmark " + arguments + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return outcome;
  std::array<char, 256> chunk{};
  while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) outcome.out += chunk.data();
  const int raw = ::pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return outcome;
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
  const Outcome found = RunCli(frame + " --json");
  EXPECT_EQ(found.status, 0);
  EXPECT_EQ(found.out, "{\"found\": true, \"col\": 322.0, \"row\": 223.0}\n");

  WriteFileBytes(dir.File("cut.bmp"), EncodeBitmap(Square(297, 217, 20, 220)));
  const Outcome read = RunCli("'" + dir.File("cut.bmp").string() + "' --calibration --json --edge");
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.out, "{\"found\": true, \"col\": 319.0, \"row\": 240.0, \"x\": 65, \"y\": 80}\n");

  const Outcome edge = RunCli(frame + " --edge");
  EXPECT_EQ(edge.status, 1);
  EXPECT_EQ(edge.out, "edge not found\n");
}

TEST_F(FindMarkCommand, RefusesFilesThatAreNotFramesWithStatusTwo) {
  dir.Write("job.eps", "%!PS-Adobe-3.0 EPSF-3.0\n");
  EXPECT_EQ(RunCli("'" + dir.File("job.eps").string() + "'").status, 2);
  CameraFrame small;
  small.width = 4;
  small.height = 4;
  small.bytes.assign(48, 0);
  WriteFileBytes(dir.File("small.bmp"), EncodeBitmap(small));
  EXPECT_EQ(RunCli("'" + dir.File("small.bmp").string() + "'").status, 2);
  EXPECT_EQ(RunCli("'" + dir.File("absent.bmp").string() + "'").status, 2);
  EXPECT_EQ(RunCli("--mpix x").status, 2);
}

}  // namespace
}  // namespace orvex::test
