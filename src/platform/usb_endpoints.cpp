// FindBulkEndpoints: a walk over the descriptor chain, each descriptor's own length first.
#include "platform/usb_endpoints.h"

#include <algorithm>
#include <cstddef>

namespace orvex {

namespace {

constexpr std::uint8_t kConfigurationType = 0x02;
constexpr std::uint8_t kInterfaceType = 0x04;
constexpr std::uint8_t kEndpointType = 0x05;
constexpr std::size_t kConfigurationLength = 9;
constexpr std::size_t kInterfaceLength = 9;
constexpr std::size_t kEndpointLength = 7;
constexpr std::uint8_t kTransferTypeMask = 0x03;
constexpr std::uint8_t kBulk = 0x02;
constexpr std::uint8_t kDirectionIn = 0x80;
constexpr int kPacketSizeMask = 0x7ff;  // the upper bits count extra high-bandwidth packets

}  // namespace

std::optional<BulkEndpoints> FindBulkEndpoints(std::span<const std::uint8_t> configuration) {
  const auto& bytes = configuration;
  if (bytes.size() < kConfigurationLength || bytes[0] < kConfigurationLength ||
      bytes[1] != kConfigurationType) {
    return std::nullopt;
  }
  const std::size_t total = bytes[2] | static_cast<std::size_t>(bytes[3]) << 8;
  if (total < bytes[0] || total > bytes.size()) return std::nullopt;

  BulkEndpoints found;
  bool inFirstSetting = false;  // the descriptors now read belong to an alternate setting 0
  for (std::size_t at = bytes[0]; at < total;) {
    const std::size_t length = bytes[at];
    if (length < 2 || length > total - at) return std::nullopt;
    const std::uint8_t type = bytes[at + 1];
    if (type == kInterfaceType) {
      if (length < kInterfaceLength) return std::nullopt;
      if (inFirstSetting && found.out != 0) return found;
      inFirstSetting = bytes[at + 3] == 0;
      found = BulkEndpoints{.interfaceNumber = bytes[at + 2]};
    } else if (type == kEndpointType && inFirstSetting) {
      if (length < kEndpointLength) return std::nullopt;
      const std::uint8_t address = bytes[at + 2];
      if ((bytes[at + 3] & kTransferTypeMask) == kBulk && (address & 0x0f) != 0) {
        if ((address & kDirectionIn) == 0) {
          if (found.out == 0) found.out = address;
        } else if (found.in == 0) {
          found.in = address;
          found.inPacketSize = std::max(1, (bytes[at + 4] | bytes[at + 5] << 8) & kPacketSizeMask);
        }
      }
    }
    at += length;
  }
  if (inFirstSetting && found.out != 0) return found;
  return std::nullopt;
}

}  // namespace orvex
