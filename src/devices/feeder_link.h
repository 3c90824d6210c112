// FeederLink: fixed-size reports to and from the sheet feeder over a FeederTransport. Opens the
// devices that match a HID identity into a list addressed by position, and moves one report at
// a time each way with a time limit. Every report on the wire starts with report id 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/feeder_transport.h"

namespace orvex {

// The sheet feeder's identity, as every caller opens it.
inline constexpr int kFeederVendorId = 0x16C0;
inline constexpr int kFeederProductId = 0x0486;
inline constexpr int kFeederUsagePage = 0xFFAB;
inline constexpr int kFeederUsage = 0x0200;
// The largest transfer, report id included; payloads are at most one byte less.
inline constexpr int kFeederMaxTransfer = 516;
inline constexpr int kFeederMaxPayload = kFeederMaxTransfer - 1;
// The payload size every report of the system has.
inline constexpr int kFeederReportBytes = 64;

class FeederLink {
 public:
  explicit FeederLink(FeederTransport& transport);
  ~FeederLink();
  FeederLink(const FeederLink&) = delete;
  FeederLink& operator=(const FeederLink&) = delete;

  // Closes every open device, then opens up to `wanted` devices that pass the filters (a filter
  // of 0 or less matches every device). Returns the number opened.
  int FeederOpen(int wanted, int vendorId, int productId, int usagePage, int usage);
  // Opens the sheet feeder by its identity; true when exactly one was opened.
  bool OpenSheetFeeder() {
    return FeederOpen(1, kFeederVendorId, kFeederProductId, kFeederUsagePage, kFeederUsage) == 1;
  }

  // Payload bytes placed in `buffer` (at most `length`), 0 when the time limit ran out (nothing
  // is left outstanding), -1 on any failure: a length below 0 or above 515, no open device at
  // `position`, a failed transfer or an empty answer.
  int FeederReceive(int position, std::uint8_t* buffer, int length, int timeoutMs);
  // Payload bytes written, 0 on time-out, -1 on failure (the same refusals as a receive).
  int FeederSend(int position, const std::uint8_t* payload, int length, int timeoutMs);

  // Closes the device at `position`; it stays in the list, unusable until the next open.
  void FeederClose(int position);
  // Closes every device and empties the list.
  void FeederCloseAll();

  // Devices in the list, open or closed.
  [[nodiscard]] int DeviceCount() const { return static_cast<int>(devices_.size()); }

 private:
  struct Entry {
    FeederHandle handle = kNoFeederHandle;
    bool open = false;
  };

  // The open handle at `position`, or kNoFeederHandle.
  [[nodiscard]] FeederHandle OpenHandleAt(int position) const;

  FeederTransport& transport_;
  std::vector<Entry> devices_;
  // A receive and a send are each exclusive for their whole transfer.
  std::mutex receiveLock_;
  std::mutex sendLock_;
};

}  // namespace orvex
