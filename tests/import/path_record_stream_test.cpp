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
  for (PathRecord r; stream.Next(r);) records.push_back(r);
  return records;
}

// The records of `text`, one a line: letter, position, the numbers of an L or C record ("%g"),
// and "!" when one of them did not convert.
std::string Describe(const test::TempDir& dir, const std::string& text) {
  std::string out;
  for (const PathRecord& r : ReadAll(dir, text)) {
    out += r.letter + ("@" + std::to_string(r.position));
    for (int i = 0; i < (r.letter == 'L' ? 4 : r.letter == 'C' ? 8 : 0); ++i) {
      char number[32];
      std::snprintf(number, sizeof number, " %g", static_cast<double>(r.v[i]));
      out += number;
    }
    out += r.complete ? "\n" : "!\n";
  }
  return out;
}

TEST(PathRecordStream, ReadsRecordsWithPositionsAfterTheLetter) {
  test::TempDir dir;
  // A blank first line is a record of no kind; CR LF ends are read as LF ones; "M \n" read as
  // "%c " leaves the reader at the next letter.
  EXPECT_EQ(Describe(dir,
                     "  \nM \nL 1.00 2.00 3.00 4.00 \nO \r\nC 1 2 3 4 5 6 7 8 \r\n"
                     "L -1.5 +2 3e1 4 \r\n \n"),
            " @3\nM@6\nL@8 1 2 3 4\nO@33\nC@35 1 2 3 4 5 6 7 8\nL@55 -1.5 2 30 4\n");
  // Damaged numbers end their record without stopping the reader.
  EXPECT_EQ(Describe(dir, "L 1 2 x 4 \nL 5 6 7 8 \nC 1 2 3 4 5 6 7 8 \nL 1e999 0 0"),
            "L@2 1 2 0 0!\nx@8\n4@11\nL@13 5 6 7 8\nC@24 1 2 3 4 5 6 7 8\nL@43 inf 0 0 0!\n");
}

TEST(PathRecordStream, NumbersConvertAsTheCLibraryDoes) {
  test::TempDir dir;
  std::mt19937 random(3);
  std::vector<std::string> numbers = {
      "1e3", "-0.00", "12345678.123456789", "0.1234567891", "+7", "3.", ".5", "0"};
  for (int i = 0; i < 20000; ++i) {
    char number[64];
    std::snprintf(number, sizeof number, "%.2f",
                  static_cast<int>(random() % 20000001) / 100.0 - 1e5);
    numbers.push_back(number);
  }
  std::string text;
  for (std::size_t i = 0; i < numbers.size(); i += 4) {
    text += "L " + numbers[i] + " " + numbers[i + 1] + " " + numbers[i + 2] + " " + numbers[i + 3] +
            " \n";
  }
  const auto records = ReadAll(dir, text);
  ASSERT_EQ(records.size(), numbers.size() / 4);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const float expected = std::strtof(numbers[i].c_str(), nullptr);
    ASSERT_EQ(std::memcmp(&records[i / 4].v[i % 4], &expected, sizeof expected), 0) << numbers[i];
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
  for (int i = 0; i <= 30000; ++i) ASSERT_TRUE(stream.Next(r));
  // The 15001st path: 15000 paths of 26 bytes before it, its records after "M \n".
  ASSERT_EQ(r.letter, 'M');
  const long wanted = r.position;
  EXPECT_EQ(wanted, 390003);
  while (stream.Next(r)) {
  }
  ASSERT_TRUE(stream.Seek(wanted));
  ASSERT_TRUE(stream.Next(r));
  EXPECT_EQ(r.letter, 'L');
  EXPECT_EQ(stream.Tell(), wanted + 23);  // the next path's start
}

}  // namespace
}  // namespace orvex
