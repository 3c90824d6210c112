// In-memory feeder transport for tests.
#include "support/memory_feeder_transport.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace orvex::test {

HidDeviceInfo MemoryFeederTransport::Feeder(std::string path) {
  return HidDeviceInfo{std::move(path), 0x16C0, 0x0486, 0xFFAB, 0x0200};
}

bool MemoryFeederTransport::Enumerate(std::vector<HidDeviceInfo>& devicesOut) {
  if (enumerateFails) return false;
  devicesOut = devices;
  return true;
}

int MemoryFeederTransport::Open(const std::string& path, FeederHandle& handle) {
  if (openFails.count(path) != 0) {
    handle = kNoFeederHandle;
    return 2;
  }
  handle = nextHandle_++;
  open_.insert(handle);
  openedPaths.push_back(path);
  return 0;
}

void MemoryFeederTransport::Close(FeederHandle handle) {
  if (open_.erase(handle) == 0) ++misuse;
}

TransferResult MemoryFeederTransport::Write(FeederHandle handle, const std::uint8_t* report,
                                            std::size_t length, int timeoutMs) {
  if (open_.count(handle) == 0) {
    ++misuse;
    return {TransferStatus::kFailed, 0};
  }
  writes.push_back(
      WriteRecord{handle, std::vector<std::uint8_t>(report, report + length), timeoutMs});
  if (writeStatus == TransferStatus::kTimedOut) {
    // The port's contract: a time-out cancels the transfer before returning.
    ++cancellations;
    return {TransferStatus::kTimedOut, 0};
  }
  if (writeStatus == TransferStatus::kFailed) return {TransferStatus::kFailed, 0};
  return {TransferStatus::kDone, length};
}

TransferResult MemoryFeederTransport::Read(FeederHandle handle, std::uint8_t* report,
                                           std::size_t capacity, int timeoutMs) {
  reads.push_back(ReadRecord{handle, capacity, timeoutMs});
  if (open_.count(handle) == 0) {
    ++misuse;
    return {TransferStatus::kFailed, 0};
  }
  if (answers.empty()) {
    ++cancellations;
    return {TransferStatus::kTimedOut, 0};
  }
  Answer answer = std::move(answers.front());
  answers.pop_front();
  if (answer.status != TransferStatus::kDone) {
    if (answer.status == TransferStatus::kTimedOut) ++cancellations;
    return {answer.status, 0};
  }
  // A device may send a longer report than asked for; a read never hands back more than fits.
  const std::size_t n = std::min(answer.bytes.size(), capacity);
  if (n > 0) std::memcpy(report, answer.bytes.data(), n);
  return {TransferStatus::kDone, n};
}

}  // namespace orvex::test
