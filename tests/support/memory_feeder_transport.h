// An in-memory FeederTransport for tests: scripted HID devices, scripted answers to reads (a
// read with nothing scripted times out), and a record of every report written and every
// transfer left outstanding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "core/feeder_transport.h"

namespace orvex::test {

class MemoryFeederTransport : public FeederTransport {
 public:
  struct Answer {
    TransferStatus status = TransferStatus::kDone;
    std::vector<std::uint8_t> bytes;  // report id included, as on the port
  };
  struct ReadRecord {
    FeederHandle handle = kNoFeederHandle;
    std::size_t capacity = 0;
    int timeoutMs = 0;
  };
  struct WriteRecord {
    FeederHandle handle = kNoFeederHandle;
    std::vector<std::uint8_t> bytes;
    int timeoutMs = 0;
  };

  // --- Script -----------------------------------------------------------------------------
  std::vector<HidDeviceInfo> devices;
  bool enumerateFails = false;
  std::set<std::string> openFails;  // paths whose Open fails
  std::deque<Answer> answers;       // consumed by reads, in order
  // How the next writes end; kDone writes every byte.
  TransferStatus writeStatus = TransferStatus::kDone;

  // A device of the sheet feeder's identity at `path`.
  static HidDeviceInfo Feeder(std::string path);

  // --- Records ----------------------------------------------------------------------------
  std::vector<std::string> openedPaths;
  std::vector<ReadRecord> reads;
  std::vector<WriteRecord> writes;
  int cancellations = 0;
  int misuse = 0;  // a transfer or close on a handle that is not open

  std::set<FeederHandle> OpenHandles() const { return open_; }

  // --- FeederTransport ---------------------------------------------------------------------
  bool Enumerate(std::vector<HidDeviceInfo>& devicesOut) override;
  int Open(const std::string& path, FeederHandle& handle) override;
  void Close(FeederHandle handle) override;
  TransferResult Write(FeederHandle handle, const std::uint8_t* report, std::size_t length,
                       int timeoutMs) override;
  TransferResult Read(FeederHandle handle, std::uint8_t* report, std::size_t capacity,
                      int timeoutMs) override;

 private:
  FeederHandle nextHandle_ = 1;
  std::set<FeederHandle> open_;
};

}  // namespace orvex::test
