// Byte-exact reading helpers for the operator's text files.
#include "app/text_scan.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

namespace orvex::text {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  return ReadFileHead(path, std::string().max_size());
}

std::optional<std::string> ReadFileHead(const std::filesystem::path& path, std::size_t maxBytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!in) return std::nullopt;
  std::string contents;
  char buffer[8192];
  while (contents.size() < maxBytes) {
    std::size_t want = std::min(sizeof buffer, maxBytes - contents.size());
    std::size_t got = std::fread(buffer, 1, want, in.get());
    contents.append(buffer, got);
    if (got < want) break;
  }
  if (std::ferror(in.get()) != 0) return std::nullopt;
  return contents;
}

void Scanner::SkipSpace() {
  while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
}

std::optional<int> Scanner::Int() {
  std::size_t p = pos_;
  while (p < text_.size() && IsSpace(text_[p])) ++p;
  bool negative = false;
  if (p < text_.size() && (text_[p] == '-' || text_[p] == '+')) {
    negative = text_[p] == '-';
    ++p;
  }
  long long value = 0;
  std::size_t digits = 0;
  while (p < text_.size() && text_[p] >= '0' && text_[p] <= '9') {
    value = value * 10 + (text_[p] - '0');
    if (value > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return std::nullopt;
    ++p;
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max()) return std::nullopt;
  pos_ = p;
  return static_cast<int>(value);
}

std::optional<std::string_view> Scanner::Take(std::size_t count) {
  if (text_.size() - pos_ < count) return std::nullopt;
  std::string_view run = text_.substr(pos_, count);
  pos_ += count;
  return run;
}

bool Scanner::Expect(char c) {
  if (pos_ >= text_.size() || text_[pos_] != c) return false;
  ++pos_;
  return true;
}

std::string_view Scanner::Word() {
  SkipSpace();
  std::size_t start = pos_;
  while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
  return text_.substr(start, pos_ - start);
}

}  // namespace orvex::text
