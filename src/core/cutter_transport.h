// The cutter's USB link as the logic needs it: device paths in enumeration order, a write
// handle per command or stream, and one asynchronous status read.
//
// Device paths carry the USB ids at fixed places, as the matching rule expects:
// "\\?\usb#vid_0b4d&pid_1130#<instance>" has the vendor at characters 12..15 and the product
// at 21..24. The libusb adapter builds its paths that way; the simulated cutter does too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

using CutterHandle = int;
inline constexpr CutterHandle kNoCutterHandle = -1;

enum class CutterAccess { kWrite, kRead };

// Error codes returned by transports (0 = success). Values mirror the platform codes the logic
// passes on unchanged; callers only compare against 0.
inline constexpr int kCutterOk = 0;
inline constexpr int kCutterInvalidHandle = 6;     // device vanished or handle closed
inline constexpr int kCutterFileNotFound = 2;      // no device at the path
inline constexpr int kCutterIoError = 31;          // write or read failed on the wire
inline constexpr int kCutterAccessDenied = 5;      // present, but this user may not open it
inline constexpr int kCutterInUse = 32;            // present, but another program holds it

class CutterTransport {
 public:
  virtual ~CutterTransport() = default;

  // Present devices in enumeration order. Returns false when the enumeration itself failed.
  virtual bool Enumerate(std::vector<std::string>& devicePaths) = 0;

  // Opens the device at `path`; 0 and a handle on success, else an error code.
  virtual int Open(const std::string& path, CutterAccess access, CutterHandle& handle) = 0;
  // Writes all bytes synchronously; 0 on success, else an error code.
  virtual int Write(CutterHandle handle, const char* bytes, std::size_t length) = 0;
  // Closes a handle. A handle with a read outstanding must not be closed before it completes.
  virtual void Close(CutterHandle handle) = 0;

  // Starts an asynchronous read of up to `capacity` bytes on a read handle. When the reply
  // arrives, its bytes are copied into `destination` (which must outlive the read) on the
  // thread that calls WaitRead. Returns 0 or an error code.
  virtual int StartRead(CutterHandle handle, std::uint8_t* destination, std::size_t capacity) = 0;
  // True while a started read has not completed.
  virtual bool ReadOutstanding() const = 0;
  // Waits up to `timeoutMs` for the outstanding read; completes it into its destination if the
  // reply arrives in time. Returns at once when no read is outstanding.
  virtual void WaitRead(int timeoutMs) = 0;
};

}  // namespace orvex
