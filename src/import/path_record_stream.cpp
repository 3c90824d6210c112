#include "import/path_record_stream.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace orvex {
namespace {

constexpr std::size_t kBufferSize = 1 << 18;
// The longest number text that is converted in one piece; longer digit runs are read as several
// numbers, which only a damaged file contains.
constexpr std::size_t kNumberWindow = 512;

bool IsSpace(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
}

}  // namespace

PathRecordStream::~PathRecordStream() {
  Close();
}

bool PathRecordStream::Open(const std::filesystem::path& path) {
  Close();
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return false;
  buffer_.resize(kBufferSize);
  index_ = size_ = 0;
  bufferStart_ = 0;
  eof_ = false;
  return true;
}

void PathRecordStream::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

void PathRecordStream::Ensure(std::size_t count) {
  if (size_ - index_ >= count || eof_ || file_ == nullptr) return;
  std::size_t left = size_ - index_;
  std::memmove(buffer_.data(), buffer_.data() + index_, left);
  bufferStart_ += static_cast<long>(index_);
  index_ = 0;
  size_ = left;
  while (size_ < buffer_.size() && !eof_) {
    std::size_t got = std::fread(buffer_.data() + size_, 1, buffer_.size() - size_, file_);
    if (got == 0) eof_ = true;
    size_ += got;
  }
}

bool PathRecordStream::Seek(long position) {
  if (file_ == nullptr || position < 0) return false;
  if (std::fseek(file_, position, SEEK_SET) != 0) return false;
  bufferStart_ = position;
  index_ = size_ = 0;
  eof_ = false;
  return true;
}

void PathRecordStream::SkipSpace() {
  for (;;) {
    if (index_ >= size_) {
      Ensure(1);
      if (index_ >= size_) return;
    }
    if (!IsSpace(buffer_[index_])) return;
    ++index_;
  }
}

namespace {

// The working files hold numbers written with "%.2f". Such a number, with at most 8 decimals and
// 15 digits, converts exactly as strtof would through one division in double precision: its
// quotient cannot fall on a float rounding boundary. Returns nullptr for anything else.
const char* FastDecimal(const char* p, const char* end, float& value) {
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  std::uint64_t mantissa = 0;
  int digits = 0;
  int decimals = 0;
  while (p < end && *p >= '0' && *p <= '9') {
    mantissa = mantissa * 10U + static_cast<unsigned>(*p++ - '0');
    ++digits;
  }
  if (p < end && *p == '.') {
    ++p;
    while (p < end && *p >= '0' && *p <= '9') {
      mantissa = mantissa * 10U + static_cast<unsigned>(*p++ - '0');
      ++digits;
      ++decimals;
    }
  }
  if (digits == 0 || digits > 15 || decimals > 8) return nullptr;
  if (p < end && !IsSpace(*p)) return nullptr;  // an exponent or other text: the full conversion
  static constexpr double kPowers[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
  double result = static_cast<double>(mantissa) / kPowers[decimals];
  value = static_cast<float>(negative ? -result : result);
  return p;
}

}  // namespace

bool PathRecordStream::ReadNumber(float& value) {
  SkipSpace();
  if (size_ - index_ < kNumberWindow) Ensure(kNumberWindow);
  if (index_ >= size_) return false;
  const char* begin = buffer_.data() + index_;
  const char* end = buffer_.data() + size_;
  if (const char* after = FastDecimal(begin, end, value)) {
    index_ += static_cast<std::size_t>(after - begin);
    SkipSpace();
    return true;
  }
  const char* start = begin;
  if (*start == '+') ++start;  // the C conversion takes a plus sign, from_chars does not
  auto [ptr, ec] = std::from_chars(start, end, value);
  if (ec == std::errc::result_out_of_range) {
    // Overflow gives an infinity and underflow zero, as the C conversion does.
    std::string text(begin, static_cast<std::size_t>(ptr - begin));
    value = std::strtof(text.c_str(), nullptr);
  } else if (ec != std::errc()) {
    return false;
  }
  index_ += static_cast<std::size_t>(ptr - begin);
  SkipSpace();
  return true;
}

bool PathRecordStream::Next(PathRecord& record) {
  if (file_ == nullptr) return false;
  if (index_ >= size_) {
    Ensure(1);
    if (index_ >= size_) return false;
  }
  record.letter = buffer_[index_++];
  SkipSpace();
  record.position = Tell();
  record.v.fill(0.0F);
  record.complete = true;
  if (record.letter == 'C' && skipCurveNumbers_) {
    record.complete = false;
    for (;;) {
      if (index_ >= size_) {
        Ensure(1);
        if (index_ >= size_) return true;
      }
      if (buffer_[index_] == '\n') break;
      ++index_;
    }
    SkipSpace();
    return true;
  }
  int count = record.letter == 'L' ? 4 : record.letter == 'C' ? 8 : 0;
  for (int i = 0; i < count; ++i) {
    if (!ReadNumber(record.v[static_cast<std::size_t>(i)])) {
      record.complete = false;
      break;
    }
  }
  return true;
}

}  // namespace orvex
