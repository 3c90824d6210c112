// The parser's buffered input where no graphic reaches it: token pieces in a buffer too small.
// (Buffer boundaries, over-long tokens and seeks are met by the parser's long inputs.)
#include "import/byte_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvex {
namespace {

std::vector<std::string> Pieces(ByteReader& reader, std::size_t capacity) {
  std::vector<std::string> tokens;
  std::vector<char> buffer(capacity);
  std::size_t length = 0;
  while (reader.ReadTokenPiece(buffer.data(), capacity, length) != ByteReader::TokenStatus::kEnd) {
    tokens.emplace_back(buffer.data(), length);
  }
  return tokens;
}

// Pieces split a long token; no room at all must not mean an endless run of empty tokens.
TEST(ByteReaderTest, PiecesSplitALongTokenAndNoRoomEndsTheRun) {
  ByteReader pieces(std::string_view("abcdefgh ij"));
  EXPECT_EQ(Pieces(pieces, 4), (std::vector<std::string>{"abc", "def", "gh", "ij"}));
  ByteReader tiny(std::string_view("abc"));
  EXPECT_TRUE(Pieces(tiny, 1).empty());
}

}  // namespace
}  // namespace orvex
