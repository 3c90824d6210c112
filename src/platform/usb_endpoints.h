// The pair of bulk endpoints the cutter is driven through, chosen from its configuration
// descriptor as the device sent it: the first interface (alternate setting 0) with a bulk OUT
// endpoint, and the first bulk IN endpoint beside it. Interrupt and isochronous endpoints are
// passed over. Every length in the chain is checked before it is used, so whatever a device
// sends gives either endpoints that are in it or none.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace orvex {

struct BulkEndpoints {
  int interfaceNumber = 0;
  std::uint8_t out = 0;
  std::uint8_t in = 0;    // 0 when the interface has no bulk IN endpoint
  int inPacketSize = 64;  // wMaxPacketSize of the IN endpoint, at least 1
};

// Nothing for a descriptor that is not a configuration, is shorter than its total length says,
// holds a descriptor shorter than 2 bytes or running past that total, or has no bulk OUT endpoint.
std::optional<BulkEndpoints> FindBulkEndpoints(std::span<const std::uint8_t> configuration);

}  // namespace orvex
