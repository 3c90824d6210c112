// The bitmap reader: padded rows, which no camera frame has.
#include "vision/bmp_reader.h"

#include <gtest/gtest.h>

#include "vision/snapshot.h"

namespace orvex::test {
namespace {

// A snapshot read back whole is the findmark command's test, and the files it refuses are its
// transcript rows.
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

}  // namespace
}  // namespace orvex::test
