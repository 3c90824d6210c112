// The bulk endpoint choice over configuration descriptors written out byte by byte.
#include "platform/usb_endpoints.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace orvex {
namespace {

// "09 02 ..." as bytes.
std::vector<std::uint8_t> Bytes(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 3) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(at, 2), nullptr, 16)));
  }
  return bytes;
}

struct Case {
  const char* what;
  std::string hex;
  int interfaceNumber = -1;  // -1: refused
  std::uint8_t out = 0, in = 0;
  int inPacketSize = 0;
};

// Configuration headers with the total length of their row; an interface, alternate setting 0.
const Case kCases[] = {
    {"a printer-class interface, OUT then IN",
     "09 02 20 00 01 01 00 c0 32 09 04 00 00 02 07 01 02 00 "
     "07 05 01 02 40 00 00 07 05 82 02 40 00 00",
     0, 0x01, 0x82, 64},
    {"IN before OUT, high speed, a class descriptor between",
     "09 02 29 00 01 01 00 c0 32 09 04 01 00 02 ff 00 00 00 09 21 01 01 00 01 22 1c 00 "
     "07 05 84 02 00 02 00 07 05 03 02 00 02 00",
     1, 0x03, 0x84, 512},
    {"interrupt endpoints and another setting passed over",
     "09 02 47 00 02 01 00 c0 32 09 04 00 00 02 03 00 00 00 07 05 81 03 40 00 01 "
     "07 05 01 03 40 00 01 09 04 00 01 01 ff 00 00 00 07 05 05 02 40 00 00 "
     "09 04 01 00 02 ff 00 00 00 07 05 02 02 40 00 00 07 05 83 03 40 00 01",
     1, 0x02, 0x00, 64},
    {"a bulk OUT only",
     "09 02 19 00 01 01 00 c0 32 09 04 00 00 01 07 01 02 00 07 05 01 02 40 00 00", 0, 0x01, 0x00,
     64},
    {"no bulk OUT", "09 02 19 00 01 01 00 c0 32 09 04 00 00 01 07 01 02 00 07 05 81 02 40 00 00"},
    {"a zero-length descriptor",
     "09 02 19 00 01 01 00 c0 32 09 04 00 00 01 07 01 02 00 00 05 01 02 40 00 00"},
    {"shorter than its total length",
     "09 02 20 00 01 01 00 c0 32 09 04 00 00 02 07 01 02 00 07 05 01 02 40 00 00"},
    {"a descriptor past the total length",
     "09 02 17 00 01 01 00 c0 32 09 04 00 00 01 07 01 02 00 07 05 01 02 40 00 00"},
    {"a short endpoint descriptor",
     "09 02 17 00 01 01 00 c0 32 09 04 00 00 01 07 01 02 00 05 05 01 02 40"},
    {"a device descriptor", "12 01 00 02 00 00 00 40 4d 0b 30 11 00 01 00 00 00 01"},
    {"nothing", ""},
};

TEST(UsbEndpointsTest, TakesTheFirstInterfaceWithABulkOutAndRefusesBrokenChains) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const std::optional<BulkEndpoints> found = FindBulkEndpoints(Bytes(c.hex));
    ASSERT_EQ(found.has_value(), c.interfaceNumber >= 0);
    if (!found) continue;
    EXPECT_EQ(std::tuple(found->interfaceNumber, found->out, found->in, found->inPacketSize),
              std::tuple(c.interfaceNumber, c.out, c.in, c.inPacketSize));
  }
}

}  // namespace
}  // namespace orvex
