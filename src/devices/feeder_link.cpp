// FeederLink: the device list, report-id framing and time-limited transfers to the sheet feeder.
#include "devices/feeder_link.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace orvex {

namespace {

bool FilterMatches(int filter, int value) {
  return filter <= 0 || filter == value;
}

// Lengths the link refuses before touching the device: negative ones, and any that would not
// fit one transfer with its report id.
bool PayloadLengthValid(int length) {
  return length >= 0 && length <= kFeederMaxPayload;
}

}  // namespace

FeederLink::FeederLink(FeederTransport& transport) : transport_(transport) {}

FeederLink::~FeederLink() {
  FeederCloseAll();
}

int FeederLink::FeederOpen(int wanted, int vendorId, int productId, int usagePage, int usage) {
  FeederCloseAll();
  if (wanted <= 0) return 0;

  std::vector<HidDeviceInfo> found;
  if (!transport_.Enumerate(found)) return 0;

  int count = 0;
  for (const HidDeviceInfo& device : found) {
    // The identity is known from the enumeration, so devices of another identity are never
    // opened (opening a foreign HID device may be refused or disturb it).
    if (!FilterMatches(vendorId, device.vendorId) || !FilterMatches(productId, device.productId) ||
        !FilterMatches(usagePage, device.usagePage) || !FilterMatches(usage, device.usage)) {
      continue;
    }
    FeederHandle handle = kNoFeederHandle;
    if (transport_.Open(device.path, handle) != 0 || handle == kNoFeederHandle) {
      if (handle != kNoFeederHandle) transport_.Close(handle);
      continue;
    }
    devices_.push_back(Entry{handle, true});
    if (++count == wanted) break;
  }
  return count;
}

FeederHandle FeederLink::OpenHandleAt(int position) const {
  if (position < 0 || position >= static_cast<int>(devices_.size())) return kNoFeederHandle;
  const Entry& entry = devices_[static_cast<std::size_t>(position)];
  return entry.open ? entry.handle : kNoFeederHandle;
}

namespace {

// The link's answer for a transfer that did not complete: 0 when the time limit ran out (the
// transport has cancelled it), -1 when it failed.
int UnfinishedTransferResult(TransferStatus status) {
  return status == TransferStatus::kTimedOut ? 0 : -1;
}

}  // namespace

int FeederLink::FeederReceive(int position, std::uint8_t* buffer, int length, int timeoutMs) {
  if (!PayloadLengthValid(length)) return -1;
  if (buffer == nullptr && length > 0) return -1;
  const FeederHandle handle = OpenHandleAt(position);
  if (handle == kNoFeederHandle) return -1;

  const std::lock_guard<std::mutex> lock(receiveLock_);
  std::array<std::uint8_t, kFeederMaxTransfer> report{};
  const auto wanted = static_cast<std::size_t>(length) + 1;
  const TransferResult result = transport_.Read(handle, report.data(), wanted, timeoutMs);
  if (result.status != TransferStatus::kDone) return UnfinishedTransferResult(result.status);
  // Not even a report id: the device answered nothing.
  if (result.bytes == 0) return -1;
  const std::size_t payload =
      std::min({result.bytes, wanted, report.size()}) - 1;  // a transport never overfills us
  if (payload > 0) std::memcpy(buffer, report.data() + 1, payload);
  return static_cast<int>(payload);
}

int FeederLink::FeederSend(int position, const std::uint8_t* payload, int length, int timeoutMs) {
  if (!PayloadLengthValid(length)) return -1;
  if (payload == nullptr && length > 0) return -1;
  const FeederHandle handle = OpenHandleAt(position);
  if (handle == kNoFeederHandle) return -1;

  const std::lock_guard<std::mutex> lock(sendLock_);
  std::array<std::uint8_t, kFeederMaxTransfer> report{};
  report[0] = 0;  // report id
  if (length > 0) std::memcpy(report.data() + 1, payload, static_cast<std::size_t>(length));
  const auto wanted = static_cast<std::size_t>(length) + 1;
  const TransferResult result = transport_.Write(handle, report.data(), wanted, timeoutMs);
  if (result.status != TransferStatus::kDone) return UnfinishedTransferResult(result.status);
  if (result.bytes == 0) return -1;
  return static_cast<int>(std::min(result.bytes, wanted) - 1);
}

void FeederLink::FeederClose(int position) {
  if (position < 0 || position >= static_cast<int>(devices_.size())) return;
  Entry& entry = devices_[static_cast<std::size_t>(position)];
  if (!entry.open) return;
  transport_.Close(entry.handle);
  entry.handle = kNoFeederHandle;
  entry.open = false;
}

void FeederLink::FeederCloseAll() {
  for (Entry& entry : devices_) {
    if (entry.open) transport_.Close(entry.handle);
  }
  devices_.clear();
}

}  // namespace orvex
