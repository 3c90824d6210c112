// In-memory cutter transport for tests.
#include "support/memory_cutter_transport.h"

#include <algorithm>
#include <cstring>

namespace orvex::test {

std::string MemoryCutterTransport::AllBytes() const {
  std::string all;
  for (const WriteRecord& write : writes) all += write.bytes;
  return all;
}

std::vector<std::string> MemoryCutterTransport::Texts() const {
  std::vector<std::string> texts;
  for (const WriteRecord& write : writes) texts.push_back(write.bytes);
  return texts;
}

bool MemoryCutterTransport::Enumerate(std::vector<std::string>& devicePaths) {
  ++enumerations;
  if (enumerateFails) return false;
  devicePaths = devices;
  return true;
}

int MemoryCutterTransport::Open(const std::string& path, CutterAccess access,
                                CutterHandle& handle) {
  if (openError != kCutterOk) {
    handle = kNoCutterHandle;
    return openError;
  }
  handle = nextHandle_++;
  open_.insert(handle);
  opens.push_back(OpenRecord{path, access, handle});
  return kCutterOk;
}

int MemoryCutterTransport::Write(CutterHandle handle, const char* bytes, std::size_t length) {
  if (open_.count(handle) == 0) {
    ++misuse;
    return kCutterInvalidHandle;
  }
  if (writeError != kCutterOk) return writeError;
  writes.push_back(WriteRecord{handle, std::string(bytes, length)});
  return kCutterOk;
}

void MemoryCutterTransport::Close(CutterHandle handle) {
  if (handle == readHandle_ || open_.count(handle) == 0) ++misuse;
  open_.erase(handle);
  closes.push_back(handle);
}

int MemoryCutterTransport::StartRead(CutterHandle handle, std::uint8_t* destination,
                                     std::size_t capacity) {
  if (open_.count(handle) == 0 || readHandle_ != kNoCutterHandle) {
    ++misuse;
    return kCutterInvalidHandle;
  }
  if (startReadError != kCutterOk) return startReadError;
  ++readsStarted;
  readHandle_ = handle;
  readDestination_ = destination;
  readCapacity_ = capacity;
  return kCutterOk;
}

void MemoryCutterTransport::WaitRead(int timeoutMs) {
  waits.push_back(timeoutMs);
  if (readHandle_ == kNoCutterHandle || !reply_) return;
  const std::size_t n = std::min(reply_->size(), readCapacity_);
  std::memcpy(readDestination_, reply_->data(), n);
  reply_.reset();
  readHandle_ = kNoCutterHandle;
  readDestination_ = nullptr;
}

}  // namespace orvex::test
