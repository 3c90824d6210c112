// Contour record files: the reader and the writer shared by the ordering and the transmission.
#include "run/contour_records.h"

#include <charconv>
#include <cstdlib>
#include <string>

#include "import/flattening.h"

namespace orvex {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
}

}  // namespace

void ContourRecordReader::SkipBlanks() {
  while (offset_ < text_.size() && IsBlank(text_[offset_])) ++offset_;
}

bool ContourRecordReader::ReadValue(float& value) {
  SkipBlanks();
  std::size_t pos = offset_;
  // from_chars takes no leading '+', which a "%f" reader accepts.
  bool plus = pos < text_.size() && text_[pos] == '+';
  if (plus) ++pos;
  if (pos >= text_.size()) return false;
  float parsed = 0.0F;
  const char* first = text_.data() + pos;
  const char* last = text_.data() + text_.size();
  auto [ptr, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
  if (ptr == first) return false;
  if (ec == std::errc::result_out_of_range) {
    // Too large or too small for a float: saturate as strtof does instead of failing.
    std::string digits(first, ptr);
    parsed = std::strtof(digits.c_str(), nullptr);
  } else if (ec != std::errc()) {
    return false;
  }
  value = parsed;
  offset_ = static_cast<std::size_t>(ptr - text_.data());
  return true;
}

bool ContourRecordReader::Next(ContourRecord& record) {
  SkipBlanks();
  if (offset_ >= text_.size()) return false;
  record.letter = text_[offset_++];
  record.values = 0;
  if (ReadValue(record.a)) {
    record.values = 1;
    if (ReadValue(record.b)) record.values = 2;
  }
  SkipBlanks();
  return true;
}

void AppendContourRecord(std::string& out, char letter, float a, float b) {
  out.push_back(letter);
  out.push_back(' ');
  AppendFixed2(out, a);
  out.push_back(' ');
  AppendFixed2(out, b);
  out.push_back('\n');
}

}  // namespace orvex
