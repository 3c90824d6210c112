#include "import/number_text.h"

#include <cstdint>
#include <cstdlib>

#include "import/byte_reader.h"

namespace orvex {
namespace {

// Powers of ten that are exact doubles: a mantissa below 2^53 divided by one of them is the
// correctly rounded quotient, i.e. exactly what strtod returns.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t kMaxExactMantissa = std::uint64_t{1} << 53;

bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}

}  // namespace

double LeadingNumber(const char* text) {
  const char* p = text;
  bool negative = false;
  if (*p == '-') {
    negative = true;
    ++p;
  }
  std::uint64_t mantissa = 0;
  int fractionDigits = 0;
  int digits = 0;
  bool exact = true;
  while (IsDigit(*p)) {
    if (mantissa >= kMaxExactMantissa / 10) exact = false;
    mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    ++digits;
    ++p;
  }
  if (*p == '.') {
    ++p;
    while (IsDigit(*p)) {
      if (mantissa >= kMaxExactMantissa / 10) exact = false;
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      ++fractionDigits;
      ++digits;
      ++p;
    }
  }
  // Exponents, hexadecimal, "inf", "nan" and long mantissas are rare in graphics: the C library
  // handles them.
  char next = *p;
  bool libraryForm = next == 'e' || next == 'E' || next == 'x' || next == 'X' || next == 'p' ||
                     next == 'P' || next == 'i' || next == 'I' || next == 'n' || next == 'N';
  if (!exact || fractionDigits > 22 || libraryForm) return std::strtod(text, nullptr);
  if (digits == 0) return 0.0;  // nothing converted: strtod gives plain zero
  double value = static_cast<double>(mantissa) / kExactPowersOfTen[fractionDigits];
  return negative ? -value : value;
}

bool ScanNumber(ByteReader& input, float& value) {
  input.SkipSpace();
  std::int64_t start = input.Tell();
  char text[72];
  std::size_t length = 0;
  auto take = [&](int c) {
    if (length + 1 < sizeof text) text[length++] = static_cast<char>(c);
    input.Get();
  };
  int c = input.Peek();
  if (c == '+' || c == '-') {
    take(c);
    c = input.Peek();
  }
  int digits = 0;
  while (IsDigit(c)) {
    take(c);
    ++digits;
    c = input.Peek();
  }
  if (c == '.') {
    take(c);
    c = input.Peek();
    while (IsDigit(c)) {
      take(c);
      ++digits;
      c = input.Peek();
    }
  }
  if (digits == 0) {
    input.Seek(start);
    return false;
  }
  if (c == 'e' || c == 'E') {
    std::int64_t beforeExponent = input.Tell();
    std::size_t lengthBeforeExponent = length;
    take(c);
    c = input.Peek();
    if (c == '+' || c == '-') {
      take(c);
      c = input.Peek();
    }
    if (IsDigit(c)) {
      while (IsDigit(c)) {
        take(c);
        c = input.Peek();
      }
    } else {
      input.Seek(beforeExponent);
      length = lengthBeforeExponent;
    }
  }
  text[length] = '\0';
  value = std::strtof(text, nullptr);
  return true;
}

}  // namespace orvex
