// Number text of the graphic parser: the decimal conversion of operand tokens, the "%f"-style
// number read of the dash test, and the "%.2f" text of the cut-path records. The import converts
// and writes millions of numbers, so the common forms take a short exact path and everything
// else goes through the C library, keeping results identical to it.
#pragma once

#include <cstddef>

namespace orvex {

class ByteReader;

// The leading decimal number of the NUL-terminated `text` as strtod() converts it (trailing
// characters ignored, 0 when nothing converts).
double LeadingNumber(const char* text);

// Reads one number the way a scanf("%f") conversion does: white space skipped, then the longest
// number text. False (nothing consumed beyond the white space) when no number is there.
bool ScanNumber(ByteReader& input, float& value);

// Longest text FormatFixed2 writes, without the terminator.
inline constexpr std::size_t kFixed2MaxLength = 48;

// Writes `value` exactly as printf("%.2f", value) does (round half to even on exact binary ties,
// "-0.00" for negative values that round to zero) into `out`, which must hold
// kFixed2MaxLength + 1 bytes. Returns the number of characters written (no terminator).
std::size_t FormatFixed2(float value, char* out);

}  // namespace orvex
