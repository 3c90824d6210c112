// Number text of the graphic parser: the decimal conversion of operand tokens and the "%f"-style
// number read of the dash test. The import converts millions of numbers, so the common forms
// take a short exact path and everything else goes through the C library, keeping results
// identical to it. (The "%.2f" text of the records it writes is AppendFixed2 in flattening.h.)
#pragma once

namespace orvex {

class ByteReader;

// The leading decimal number of the NUL-terminated `text` as strtod() converts it (trailing
// characters ignored, 0 when nothing converts).
double LeadingNumber(const char* text);

// Reads one number the way a scanf("%f") conversion does: white space skipped, then the longest
// number text. False (nothing consumed beyond the white space) when no number is there.
bool ScanNumber(ByteReader& input, float& value);

}  // namespace orvex
