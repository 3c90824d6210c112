// Transports that record what the run's logic sends: every cutter write in order (with the
// handle it went over), and every feeder report. Enough for the transmission's tests and
// benchmarks; the cutter never answers and the feeder accepts every report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/cutter_transport.h"
#include "core/feeder_transport.h"

namespace orvex::test {

class RecordingCutterTransport : public CutterTransport {
 public:
  struct Write {
    CutterHandle handle;
    std::string bytes;
  };
  std::vector<Write> writes;
  int opens = 0;
  int closes = 0;
  bool discard = false;  // count writes without keeping them
  long long writeCount = 0;
  long long byteCount = 0;

  bool Enumerate(std::vector<std::string>& devicePaths) override {
    devicePaths = {"\\\\?\\usb#vid_0b4d&pid_1135#1"};
    return true;
  }
  int Open(const std::string&, CutterAccess, CutterHandle& handle) override {
    handle = ++next_;
    ++opens;
    return kCutterOk;
  }
  int Write(CutterHandle handle, const char* bytes, std::size_t length) override {
    ++writeCount;
    byteCount += static_cast<long long>(length);
    if (!discard) writes.push_back({handle, std::string(bytes, length)});
    return kCutterOk;
  }
  void Close(CutterHandle) override { ++closes; }
  int StartRead(CutterHandle, std::uint8_t*, std::size_t) override { return kCutterOk; }
  bool ReadOutstanding() const override { return false; }
  void WaitRead(int) override {}

  std::string AllBytes() const {
    std::string all;
    for (const auto& w : writes) all += w.bytes;
    return all;
  }

 private:
  CutterHandle next_ = 0;
};

class RecordingFeederTransport : public FeederTransport {
 public:
  std::vector<std::string> reports;  // report id included
  std::vector<FeederHandle> closed;

  bool Enumerate(std::vector<HidDeviceInfo>& devices) override {
    devices = {{"/dev/hidraw0", 0x16C0, 0x0486, 0xFFAB, 0x0200}};
    return true;
  }
  int Open(const std::string&, FeederHandle& handle) override {
    handle = 7;
    return 0;
  }
  void Close(FeederHandle handle) override { closed.push_back(handle); }
  TransferResult Write(FeederHandle, const std::uint8_t* report, std::size_t length, int) override {
    reports.emplace_back(reinterpret_cast<const char*>(report), length);
    return {TransferStatus::kDone, length};
  }
  TransferResult Read(FeederHandle, std::uint8_t*, std::size_t, int) override {
    return {TransferStatus::kTimedOut, 0};
  }
};

}  // namespace orvex::test
