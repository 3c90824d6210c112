// The parser's buffered input: file and memory readers must behave alike, across buffer
// boundaries, for tokens, over-long tokens and seeks.
#include "import/byte_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace orvex {
namespace {

std::vector<std::string> Tokens(ByteReader& reader, std::size_t capacity, bool split) {
  std::vector<std::string> tokens;
  std::vector<char> buffer(capacity);
  for (std::size_t length = 0;;) {
    const auto status = split ? reader.ReadTokenPiece(buffer.data(), capacity, length)
                              : reader.ReadToken(buffer.data(), capacity, length);
    if (status == ByteReader::TokenStatus::kEnd) return tokens;
    tokens.push_back(status == ByteReader::TokenStatus::kTooLong
                         ? "<long>"
                         : std::string(buffer.data(), length));
  }
}

TEST(ByteReaderTest, FileAndMemoryAgreeAcrossBufferBoundaries) {
  // Tokens straddling the 64 kB buffer edge, an over-long token and CR LF line ends.
  std::string text;
  while (text.size() < 200000) text += "10.5 20 l\r\nabc\t[1 2] 0 d\f";
  text += std::string(300, 'z') + " end";
  test::TempDir dir;
  dir.Write("in", text);
  ByteReader file;
  ASSERT_TRUE(file.Open(dir.File("in")));
  ByteReader memory(text);
  EXPECT_EQ(file.Length(), static_cast<std::int64_t>(text.size()));
  const auto fromFile = Tokens(file, 256, false);
  EXPECT_EQ(fromFile, Tokens(memory, 256, false));
  ASSERT_GE(fromFile.size(), 2U);
  EXPECT_EQ(fromFile[fromFile.size() - 2], "<long>");
  EXPECT_EQ(fromFile.back(), "end");
  EXPECT_EQ(file.Get(), ByteReader::kEnd);
  EXPECT_FALSE(file.Open(dir.File("missing")));
  // Pieces split a long token; no room at all must not mean an endless run of empty tokens.
  ByteReader pieces(std::string_view("abcdefgh ij"));
  EXPECT_EQ(Tokens(pieces, 4, true), (std::vector<std::string>{"abc", "def", "gh", "ij"}));
  ByteReader tiny(std::string_view("abc"));
  EXPECT_TRUE(Tokens(tiny, 1, true).empty());
}

TEST(ByteReaderTest, SeeksAndTells) {
  std::string text(150000, '.');
  for (std::size_t i = 0; i < text.size(); i += 1000)
    text[i] = static_cast<char>('a' + i / 1000 % 26);
  test::TempDir dir;
  dir.Write("in", text);
  ByteReader file;
  ASSERT_TRUE(file.Open(dir.File("in")));
  ByteReader memory(text);
  for (ByteReader* reader : {&file, &memory}) {
    ASSERT_TRUE(reader->Seek(70000));
    EXPECT_EQ(reader->Get(), 'a' + 70 % 26);
    ASSERT_TRUE(reader->SeekRelative(-2001));  // back across the buffer start
    EXPECT_EQ(reader->Get(), 'a' + 68 % 26);
    EXPECT_FALSE(reader->Seek(-1));
    EXPECT_EQ(reader->Tell(), 68001) << "a failed seek keeps the position";
    ASSERT_TRUE(reader->Seek(149000));
    EXPECT_EQ(reader->Peek(), 'a' + 149 % 26);
    ASSERT_TRUE(reader->Seek(200000));  // past the end: allowed, reads nothing
    EXPECT_EQ(reader->Get(), ByteReader::kEnd);
    EXPECT_EQ(reader->Tell(), 200000);
  }
}

}  // namespace
}  // namespace orvex
