#include "import/byte_reader.h"

#include <sys/types.h>

#include <cstring>

namespace orvex {
namespace {

// Large enough that the parser's small backward seeks (the dash test goes back 28 bytes) almost
// always stay inside the buffer, small enough to keep memory flat.
constexpr std::size_t kFileBufferSize = 64 * 1024;

}  // namespace

ByteReader::ByteReader(std::string_view bytes)
    : open_(true),
      memory_(bytes.data()),
      data_(bytes.data()),
      size_(bytes.size()),
      length_(static_cast<std::int64_t>(bytes.size())) {}

ByteReader::~ByteReader() {
  Close();
}

bool ByteReader::Open(const std::filesystem::path& path) {
  Close();
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return false;
  if (::fseeko(file_, 0, SEEK_END) != 0) {
    Close();
    return false;
  }
  off_t end = ::ftello(file_);
  if (end < 0) {
    Close();
    return false;
  }
  length_ = static_cast<std::int64_t>(end);
  storage_.resize(kFileBufferSize);
  data_ = storage_.data();
  size_ = 0;
  index_ = 0;
  bufferStart_ = 0;
  open_ = true;
  return true;
}

void ByteReader::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  open_ = false;
  memory_ = nullptr;
  data_ = nullptr;
  size_ = 0;
  index_ = 0;
  bufferStart_ = 0;
  length_ = 0;
}

bool ByteReader::Seek(std::int64_t position) {
  if (position < 0) return false;
  if (position >= bufferStart_ && position <= bufferStart_ + static_cast<std::int64_t>(size_)) {
    index_ = static_cast<std::size_t>(position - bufferStart_);
    return true;
  }
  bufferStart_ = position;
  index_ = 0;
  size_ = 0;
  return true;
}

bool ByteReader::Refill() {
  if (!open_) return false;
  std::int64_t position = Tell();
  if (position >= length_) return false;
  if (memory_ != nullptr) {
    data_ = memory_;
    bufferStart_ = 0;
    size_ = static_cast<std::size_t>(length_);
    index_ = static_cast<std::size_t>(position);
    return true;
  }
  if (::fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) return false;
  std::size_t got = std::fread(storage_.data(), 1, storage_.size(), file_);
  data_ = storage_.data();
  bufferStart_ = position;
  index_ = 0;
  size_ = got;
  return got > 0;
}

void ByteReader::SkipSpace() {
  for (;;) {
    while (index_ < size_) {
      if (!IsAsciiSpace(static_cast<unsigned char>(data_[index_]))) return;
      ++index_;
    }
    if (!Refill()) return;
  }
}

ByteReader::TokenStatus ByteReader::ReadToken(char* out, std::size_t capacity,
                                              std::size_t& length) {
  SkipSpace();
  length = 0;
  if (Peek() == kEnd) {
    if (capacity > 0) out[0] = '\0';
    return TokenStatus::kEnd;
  }
  bool tooLong = false;
  for (;;) {
    // Scan the buffered bytes in one go: this is the parser's innermost loop.
    std::size_t end = index_;
    while (end < size_ && !IsAsciiSpace(static_cast<unsigned char>(data_[end]))) ++end;
    std::size_t count = end - index_;
    std::size_t room = capacity > length + 1 ? capacity - length - 1 : 0;
    if (count > room) {
      tooLong = true;
      count = room;
    }
    if (count > 0) std::memcpy(out + length, data_ + index_, count);
    length += count;
    index_ = end;
    if (end < size_ || !Refill()) break;
  }
  if (tooLong) {
    length = 0;
    if (capacity > 0) out[0] = '\0';
    return TokenStatus::kTooLong;
  }
  out[length] = '\0';
  return TokenStatus::kToken;
}

ByteReader::TokenStatus ByteReader::ReadTokenPiece(char* out, std::size_t capacity,
                                                   std::size_t& length) {
  SkipSpace();
  length = 0;
  if (capacity < 2) return TokenStatus::kEnd;  // room for nothing: never report empty tokens
  int c = Peek();
  if (c == kEnd) {
    out[0] = '\0';
    return TokenStatus::kEnd;
  }
  while (length + 1 < capacity && c != kEnd && !IsAsciiSpace(c)) {
    out[length++] = static_cast<char>(c);
    Get();
    c = Peek();
  }
  out[length] = '\0';
  return TokenStatus::kToken;
}

}  // namespace orvex
