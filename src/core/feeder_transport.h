// The sheet feeder's HID link as the logic needs it: enumeration with the HID identity, and one
// report at a time each way with a time limit. Reports on this port always carry the report id
// (0) as their first byte, in both directions; the hidapi adapter adds it to what
// hid_read_timeout hands back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

struct HidDeviceInfo {
  std::string path;
  int vendorId = 0;
  int productId = 0;
  int usagePage = 0;
  int usage = 0;
};

using FeederHandle = int;
inline constexpr FeederHandle kNoFeederHandle = -1;

// Open's error codes (0 = success), the same platform values the cutter's port uses.
inline constexpr int kFeederOk = 0;
inline constexpr int kFeederNotFound = 2;       // no device at the path
inline constexpr int kFeederAccessDenied = 5;   // present, but this user may not open it
inline constexpr int kFeederIoError = 31;       // present, but it would not open as a HID device

enum class TransferStatus { kDone, kTimedOut, kFailed };

struct TransferResult {
  TransferStatus status = TransferStatus::kFailed;
  std::size_t bytes = 0;  // bytes moved, the report id included
};

class FeederTransport {
 public:
  virtual ~FeederTransport() = default;

  // Present HID interfaces in enumeration order. Returns false when the enumeration failed.
  virtual bool Enumerate(std::vector<HidDeviceInfo>& devices) = 0;
  // Opens a device for reading and writing; 0 and a handle on success, else an error code.
  virtual int Open(const std::string& path, FeederHandle& handle) = 0;
  virtual void Close(FeederHandle handle) = 0;

  // Writes one report (report id first). A time-out cancels the transfer.
  virtual TransferResult Write(FeederHandle handle, const std::uint8_t* report, std::size_t length,
                               int timeoutMs) = 0;
  // Reads one report of at most `capacity` bytes into `report` (report id first). A time-out
  // cancels the transfer and leaves nothing outstanding.
  virtual TransferResult Read(FeederHandle handle, std::uint8_t* report, std::size_t capacity,
                              int timeoutMs) = 0;
};

}  // namespace orvex
