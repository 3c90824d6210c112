// The cutter and feeder links of a station whose USB adapters are not built in yet: discovery
// finds nothing, so the window runs and its status area says the cutter is off line, exactly as
// on a PC with nothing plugged in.
#pragma once

#include "core/cutter_transport.h"
#include "core/feeder_transport.h"

namespace orvex {

class AbsentCutterTransport : public CutterTransport {
 public:
  bool Enumerate(std::vector<std::string>& devicePaths) override;
  int Open(const std::string& path, CutterAccess access, CutterHandle& handle) override;
  int Write(CutterHandle handle, const char* bytes, std::size_t length) override;
  void Close(CutterHandle handle) override;
  int StartRead(CutterHandle handle, std::uint8_t* destination, std::size_t capacity) override;
  bool ReadOutstanding() const override { return false; }
  void WaitRead(int timeoutMs) override;
};

class AbsentFeederTransport : public FeederTransport {
 public:
  bool Enumerate(std::vector<HidDeviceInfo>& devices) override;
  int Open(const std::string& path, FeederHandle& handle) override;
  void Close(FeederHandle handle) override;
  TransferResult Write(FeederHandle handle, const std::uint8_t* report, std::size_t length,
                       int timeoutMs) override;
  TransferResult Read(FeederHandle handle, std::uint8_t* report, std::size_t capacity,
                      int timeoutMs) override;
};

}  // namespace orvex
