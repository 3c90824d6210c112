// The sheet feeder's HID link on hidapi's hidraw backend. Only the feeder's own interface is
// listed (its vendor and product, usage page 0xFFAB, usage 0x0200), so no other HID device is
// ever opened. Reports carry report id 0 first in both directions: hidraw hands reports back
// without it, so a read puts it back in front.
//
// hidraw's write has no time limit the caller chooses, so a write first waits, up to the
// caller's limit, for the node to take a report (poll for POLLOUT on a descriptor of its own)
// and is then one atomic hid_write, which either reaches the device or fails. A write is never
// left running past its answer: one that could not start in time is a time-out with nothing
// sent, so a late sheet request can never feed a sheet the run has stopped waiting for. A
// hidraw node always reports itself writable; there the kernel bounds the write itself, as its
// USB transfer to the device times out after 5 s and the write then fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/feeder_transport.h"

struct hid_device_;

namespace orvex {

class HidapiFeederTransport : public FeederTransport {
 public:
  HidapiFeederTransport();
  ~HidapiFeederTransport() override;
  HidapiFeederTransport(const HidapiFeederTransport&) = delete;
  HidapiFeederTransport& operator=(const HidapiFeederTransport&) = delete;

  bool Enumerate(std::vector<HidDeviceInfo>& devices) override;
  int Open(const std::string& path, FeederHandle& handle) override;
  void Close(FeederHandle handle) override;
  TransferResult Write(FeederHandle handle, const std::uint8_t* report, std::size_t length,
                       int timeoutMs) override;
  TransferResult Read(FeederHandle handle, std::uint8_t* report, std::size_t capacity,
                      int timeoutMs) override;

 private:
  struct OpenDevice {
    std::string path;
    hid_device_* device = nullptr;
    int pollFd = -1;  // the same node, only to learn when it takes a write
  };

  bool started_ = false;
  std::map<FeederHandle, OpenDevice> open_;
  FeederHandle nextHandle_ = 1;
};

}  // namespace orvex
