// The bitmap reader: padded rows, and every kind of refusal of a file that is not a frame.
#include "vision/bmp_reader.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "vision/snapshot.h"
#include "vision_test_support.h"

namespace orvex::test {
namespace {

// A snapshot read back whole is the findmark command's test.
TEST(BmpReader, PaddedRowsAreUnpadded) {
  CameraFrame odd;  // 3x2: each 9-byte row padded to 12
  odd.width = 3;
  odd.height = 2;
  odd.bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  const std::string padded =
      EncodeBitmap(odd).substr(0, 54) +
      std::string("\1\2\3\4\5\6\7\10\11\0\0\0\12\13\14\15\16\17\20\21\22\0\0\0", 24);
  const BmpReadResult unpadded = DecodeBmp(padded);
  ASSERT_TRUE(unpadded.ok) << unpadded.message;
  EXPECT_EQ(unpadded.frame.bytes, odd.bytes);
}

TEST(BmpReader, RefusesWhatIsNotAnUncompressedBottomUp24BitBitmap) {
  const std::string good = EncodeBitmap(Drawn(100));
  const auto with = [&good](std::size_t at, std::uint32_t value, int bytes = 4) {
    std::string file = good;
    for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return file;
  };
  const std::pair<const char*, std::string> refused[] = {
      {"empty", ""},
      {"PostScript", "%!PS-Adobe-3.0 EPSF-3.0\n" + std::string(100, ' ')},
      {"truncated pixels", good.substr(0, good.size() - 1)},
      {"top-down", with(22, static_cast<std::uint32_t>(-480))},
      {"32 bits", with(28, 32, 1)},
      {"compressed", with(30, 1)},
      {"a width whose row arithmetic would overflow", with(18, 0x7FFFFFFF)},
      {"pixels beyond the file", with(10, 0xFFFFFFF0U)},
      {"an info header beyond the file", with(14, 0xFFFFFFFFU)},
  };
  for (const auto& [what, file] : refused) EXPECT_FALSE(DecodeBmp(file).ok) << what;
  EXPECT_NE(DecodeBmp(with(22, static_cast<std::uint32_t>(-480))).message.find("bottom-up"),
            std::string::npos);
  TempDir dir;
  EXPECT_FALSE(ReadBmpFile(dir.File("absent.bmp")).ok);
  EXPECT_FALSE(ReadBmpFile(dir.Path()).ok);  // a directory
}

}  // namespace
}  // namespace orvex::test
