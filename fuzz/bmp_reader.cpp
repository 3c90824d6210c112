// Fuzz target: the bitmap reader behind orvex-cli findmark must refuse any file it cannot read
// without reading outside it, and what it accepts must have exactly the pixels its size says.
#include "vision/bmp_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "vision/mark_search.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const orvex::BmpReadResult result =
      orvex::DecodeBmp(std::string_view(reinterpret_cast<const char*>(data), size));
  if (result.ok) {
    const auto expected = static_cast<std::size_t>(result.frame.width) *
                          static_cast<std::size_t>(result.frame.height) * 3U;
    if (result.frame.bytes.size() != expected) std::abort();
    // The searches must cope with whatever size was read.
    orvex::LocateMark(result.frame, false);
    orvex::LocateMark(result.frame, true);
  }
  return 0;
}
