// Fuzz target of the PDF converter: any bytes, converted in memory. Besides crashes and hangs it
// checks what the importer relies on whenever a conversion succeeds: the page body starts after
// the parser's prolog skip and the file ends with its trailer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "pdf2ps/pdf_to_postscript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string head;
  std::string tail;
  std::size_t total = 0;
  const auto result = orvex::pdf2ps::ConvertPdfToPostScript(
      reinterpret_cast<const char*>(data), size,
      [&](std::string_view chunk) {
        if (head.size() < 16384) head.append(chunk.substr(0, 16384 - head.size()));
        tail.append(chunk);
        if (tail.size() > 4096) tail.erase(0, tail.size() - 64);
        total += chunk.size();
      },
      "fuzz");
  if (result.status == orvex::pdf2ps::ConversionStatus::kConverted) {
    const std::size_t body = head.find("%%EndPageSetup");
    if (body == std::string::npos || body <= orvex::pdf2ps::kParserPrologSkip + 16) __builtin_trap();
    if (tail.size() < 6 || tail.compare(tail.size() - 6, 6, "%%EOF\n") != 0) __builtin_trap();
  } else if (total != 0) {
    __builtin_trap();  // a refused PDF must not have produced output
  }
  return 0;
}
