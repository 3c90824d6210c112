// Buffered random-access input for the graphic parser: byte and token reads, seeks and tells over
// a file (streamed through a fixed buffer, so a graphic of any size is read in constant memory)
// or over bytes already in memory (the fuzzer, tests).
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <vector>

namespace orvex {

// White space as the C library's isspace() knows it in the "C" locale.
inline bool IsAsciiSpace(int c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
}

class ByteReader {
 public:
  static constexpr int kEnd = -1;

  enum class TokenStatus {
    kEnd,      // only white space (or nothing) was left
    kToken,    // a token that fits the caller's buffer
    kTooLong,  // a token longer than the buffer: it was read past and nothing is kept of it
  };

  // An unopened reader: every read reports the end.
  ByteReader() = default;
  // Reads `bytes`, which must outlive the reader.
  explicit ByteReader(std::string_view bytes);
  ~ByteReader();
  ByteReader(const ByteReader&) = delete;
  ByteReader& operator=(const ByteReader&) = delete;

  // Opens `path` for reading; false (and an unopened reader) when it cannot be opened.
  bool Open(const std::filesystem::path& path);
  void Close();
  bool IsOpen() const { return open_; }

  std::int64_t Length() const { return length_; }
  std::int64_t Tell() const { return bufferStart_ + static_cast<std::int64_t>(index_); }
  bool AtEnd() { return Peek() == kEnd; }

  // Absolute seek. A negative target fails and leaves the position as it was; a target past the
  // end is allowed and reads from there report the end.
  bool Seek(std::int64_t position);
  bool SeekRelative(std::int64_t delta) { return Seek(Tell() + delta); }

  int Get() {
    if (index_ < size_) return static_cast<unsigned char>(data_[index_++]);
    return Refill() ? static_cast<unsigned char>(data_[index_++]) : kEnd;
  }
  int Peek() {
    if (index_ < size_) return static_cast<unsigned char>(data_[index_]);
    return Refill() ? static_cast<unsigned char>(data_[index_]) : kEnd;
  }

  void SkipSpace();

  // Skips white space, then reads one token of non-white bytes into `out` (NUL-terminated,
  // `capacity` includes the terminator) and stops right after it. A token that does not fit is
  // consumed whole and reported as kTooLong, so an oversized token can never be mistaken for a
  // shorter one.
  TokenStatus ReadToken(char* out, std::size_t capacity, std::size_t& length);

  // Like ReadToken, but a token longer than `capacity - 1` is split: the first part is returned
  // and the rest stays for the next read (how a width-limited "%Ns" conversion behaves).
  TokenStatus ReadTokenPiece(char* out, std::size_t capacity, std::size_t& length);

 private:
  // Makes the byte at Tell() available; false at the end of the input.
  bool Refill();

  std::FILE* file_ = nullptr;
  bool open_ = false;
  const char* memory_ = nullptr;  // the bytes of an in-memory reader
  std::vector<char> storage_;
  const char* data_ = nullptr;
  std::size_t size_ = 0;   // valid bytes at data_
  std::size_t index_ = 0;  // next byte within data_
  std::int64_t bufferStart_ = 0;
  std::int64_t length_ = 0;
};

}  // namespace orvex
