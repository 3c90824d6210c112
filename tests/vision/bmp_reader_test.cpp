// The bitmap reader: snapshots read back unchanged, padded rows, and every kind of refusal.
#include "vision/bmp_reader.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "vision/snapshot.h"
#include "vision_test_support.h"

namespace orvex::test {
namespace {

void Poke32(std::string& file, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    file[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

TEST(BmpReader, ASnapshotReadsBackUnchanged) {
  const CameraFrame frame = FrameWithSquare(300, 200, 46);
  TempDir dir;
  WriteFileBytes(dir.File("StillCap0001.bmp"), EncodeBitmap(frame));
  const BmpReadResult read = ReadBmpFile(dir.File("StillCap0001.bmp"));
  ASSERT_TRUE(read.ok) << read.message;
  EXPECT_TRUE(read.frame.IsStandard());
  EXPECT_EQ(read.frame.bytes, frame.bytes);
}

TEST(BmpReader, PaddedRowsAreUnpadded) {
  CameraFrame odd;
  odd.width = 3;
  odd.height = 2;
  odd.bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  std::string file = EncodeBitmap(odd).substr(0, 54);
  file += std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\0\0\0", 12);
  file += std::string("\x0a\x0b\x0c\x0d\x0e\x0f\x10\x11\x12\0\0\0", 12);
  const BmpReadResult read = DecodeBmp(file);
  ASSERT_TRUE(read.ok) << read.message;
  EXPECT_EQ(read.frame.bytes, odd.bytes);
}

TEST(BmpReader, RefusesWhatIsNotAnUncompressedBottomUp24BitBitmap) {
  const std::string good = EncodeBitmap(UniformFrame(100));
  EXPECT_FALSE(DecodeBmp("").ok);
  EXPECT_FALSE(DecodeBmp("%!PS-Adobe-3.0 EPSF-3.0\n" + std::string(100, ' ')).ok);
  EXPECT_FALSE(DecodeBmp(good.substr(0, good.size() - 1)).ok);  // truncated pixels

  std::string topDown = good;
  Poke32(topDown, 22, static_cast<std::uint32_t>(-480));
  EXPECT_NE(DecodeBmp(topDown).message.find("bottom-up"), std::string::npos);

  std::string wide = good;
  wide[28] = 32;
  EXPECT_FALSE(DecodeBmp(wide).ok);
  std::string compressed = good;
  Poke32(compressed, 30, 1);
  EXPECT_FALSE(DecodeBmp(compressed).ok);
  std::string huge = good;
  Poke32(huge, 18, 0x7FFFFFFF);  // a size whose row arithmetic would overflow if trusted
  EXPECT_FALSE(DecodeBmp(huge).ok);
  std::string badOffset = good;
  Poke32(badOffset, 10, 0xFFFFFFF0U);
  EXPECT_FALSE(DecodeBmp(badOffset).ok);
  std::string badInfo = good;
  Poke32(badInfo, 14, 0xFFFFFFFFU);
  EXPECT_FALSE(DecodeBmp(badInfo).ok);

  TempDir dir;
  EXPECT_FALSE(ReadBmpFile(dir.File("absent.bmp")).ok);
  EXPECT_FALSE(ReadBmpFile(dir.Path()).ok);  // a directory
}

}  // namespace
}  // namespace orvex::test
