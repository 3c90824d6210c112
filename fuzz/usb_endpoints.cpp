// Fuzz target: the cutter's configuration descriptor, as any device might send it. The bulk
// endpoint choice must either refuse it or name an OUT and (if any) an IN endpoint whose
// descriptors are in it, with a packet size the read can round to.
#include "platform/usb_endpoints.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

// Whether an endpoint descriptor (length 7 or more, type 5) with this address is in the bytes.
bool HasEndpoint(std::span<const std::uint8_t> bytes, std::uint8_t address) {
  for (std::size_t at = 0; at + 7 <= bytes.size(); ++at) {
    if (bytes[at] >= 7 && bytes[at + 1] == 0x05 && bytes[at + 2] == address) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const auto found = orvex::FindBulkEndpoints(bytes);
  if (!found) return 0;
  if (found->out == 0 || (found->out & 0x80) != 0 || !HasEndpoint(bytes, found->out)) std::abort();
  if (found->in != 0 && ((found->in & 0x80) == 0 || !HasEndpoint(bytes, found->in))) std::abort();
  if (found->inPacketSize < 1 || found->inPacketSize > 0x7ff) std::abort();
  if (found->interfaceNumber < 0 || found->interfaceNumber > 0xff) std::abort();
  return 0;
}
