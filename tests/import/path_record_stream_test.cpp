// Reading PSINT/TPSINT records: letters, numbers, positions, blank starts, both line ends.
#include "import/path_record_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace orvex {
namespace {

std::vector<PathRecord> ReadAll(const test::TempDir& dir, const std::string& text) {
  dir.Write("PSINT", text);
  PathRecordStream stream;
  EXPECT_TRUE(stream.Open(dir.File("PSINT")));
  std::vector<PathRecord> records;
  PathRecord r;
  while (stream.Next(r)) records.push_back(r);
  return records;
}

TEST(PathRecordStream, ReadsRecordsWithPositionsAfterTheLetter) {
  test::TempDir dir;
  auto records = ReadAll(dir, "M \nL 1.00 2.00 3.00 4.00 \nO \nC 1 2 3 4 5 6 7 8 \n");
  ASSERT_EQ(records.size(), 4U);
  EXPECT_EQ(records[0].letter, 'M');
  EXPECT_EQ(records[0].position, 3);  // "M \n" read as "%c " leaves the reader at the L
  EXPECT_EQ(records[1].letter, 'L');
  EXPECT_FLOAT_EQ(records[1].v[3], 4.0F);
  EXPECT_EQ(records[2].letter, 'O');
  EXPECT_EQ(records[2].position, 29);
  EXPECT_EQ(records[3].letter, 'C');
  EXPECT_FLOAT_EQ(records[3].v[7], 8.0F);
  EXPECT_TRUE(records[3].complete);
}

TEST(PathRecordStream, SkipsBlankedStartsAndAcceptsCarriageReturns) {
  test::TempDir dir;
  auto records = ReadAll(dir, "  \r\nM \r\nL -1.5 +2 3e1 4 \r\n \n");
  ASSERT_EQ(records.size(), 3U);
  EXPECT_EQ(records[0].letter, ' ');  // a blank first line is a record of no kind
  EXPECT_EQ(records[1].letter, 'M');
  EXPECT_EQ(records[2].letter, 'L');
  EXPECT_FLOAT_EQ(records[2].v[0], -1.5F);
  EXPECT_FLOAT_EQ(records[2].v[1], 2.0F);
  EXPECT_FLOAT_EQ(records[2].v[2], 30.0F);
}

TEST(PathRecordStream, DamagedNumbersEndTheRecordWithoutStoppingTheReader) {
  test::TempDir dir;
  auto records = ReadAll(dir, "L 1 2 x 4 \nL 5 6 7 8 \nL 1e999 0 0");
  ASSERT_GE(records.size(), 3U);
  EXPECT_FALSE(records[0].complete);
  EXPECT_EQ(records[1].letter, 'x');
  const PathRecord& good = records[records.size() - 2];
  EXPECT_EQ(good.letter, 'L');
  EXPECT_TRUE(good.complete);
  EXPECT_FLOAT_EQ(good.v[0], 5.0F);
  const PathRecord& last = records.back();
  EXPECT_TRUE(std::isinf(last.v[0]));
  EXPECT_FALSE(last.complete);  // the fourth number is missing
}

TEST(PathRecordStream, NumbersConvertAsTheCLibraryDoes) {
  test::TempDir dir;
  std::mt19937 random(3);
  std::uniform_int_distribution<int> hundredths(-10000000, 10000000);
  std::string text;
  std::vector<std::string> numbers;
  for (int i = 0; i < 20000; ++i) {
    char number[64];
    std::snprintf(number, sizeof number, "%.2f", hundredths(random) / 100.0);
    numbers.push_back(number);
  }
  for (const char* odd : {"1e3", "-0.00", "12345678.123456789", "0.1234567891", "+7", "3.", ".5"}) {
    numbers.push_back(odd);
  }
  for (std::size_t i = 0; i + 4 <= numbers.size(); i += 4) {
    text += "L " + numbers[i] + " " + numbers[i + 1] + " " + numbers[i + 2] + " " + numbers[i + 3] +
            " \n";
  }
  dir.Write("PSINT", text);
  PathRecordStream stream;
  ASSERT_TRUE(stream.Open(dir.File("PSINT")));
  PathRecord r;
  for (std::size_t i = 0; i + 4 <= numbers.size(); i += 4) {
    ASSERT_TRUE(stream.Next(r));
    for (std::size_t k = 0; k < 4; ++k) {
      float expected = std::strtof(numbers[i + k].c_str(), nullptr);
      ASSERT_EQ(std::memcmp(&r.v[k], &expected, sizeof expected), 0) << numbers[i + k];
    }
  }
}

TEST(PathRecordStream, SeekReturnsToAPath) {
  test::TempDir dir;
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "M \nL 1.00 2.00 3.00 4.00 \n";  // beyond one buffer
  dir.Write("PSINT", text);
  PathRecordStream stream;
  ASSERT_TRUE(stream.Open(dir.File("PSINT")));
  PathRecord r;
  long wanted = 0;
  for (int i = 0; i < 30001; ++i) {
    ASSERT_TRUE(stream.Next(r));
    if (i == 30000) wanted = r.position;
  }
  ASSERT_EQ(r.letter, 'M');
  while (stream.Next(r)) {
  }
  ASSERT_TRUE(stream.Seek(wanted));
  ASSERT_TRUE(stream.Next(r));
  EXPECT_EQ(r.letter, 'L');
  EXPECT_EQ(stream.Tell(), wanted + 23);  // the next path's start
}

}  // namespace
}  // namespace orvex
