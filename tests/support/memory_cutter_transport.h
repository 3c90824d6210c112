// An in-memory CutterTransport for tests: a scripted device list, every open, write and close
// recorded, injectable errors, and a status read whose reply the test delivers when it likes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/cutter_transport.h"

namespace orvex::test {

class MemoryCutterTransport : public CutterTransport {
 public:
  struct WriteRecord {
    CutterHandle handle = kNoCutterHandle;
    std::string bytes;
  };
  struct OpenRecord {
    std::string path;
    CutterAccess access = CutterAccess::kWrite;
    CutterHandle handle = kNoCutterHandle;
  };

  // --- Script -----------------------------------------------------------------------------
  std::vector<std::string> devices;
  bool enumerateFails = false;
  int openError = kCutterOk;   // returned by every Open while non-zero
  int writeError = kCutterOk;  // returned by every Write while non-zero
  int startReadError = kCutterOk;

  // The cutter's answer to the outstanding read; delivered at the next WaitRead.
  void Reply(std::string bytes) { reply_ = std::move(bytes); }

  // --- Records ----------------------------------------------------------------------------
  std::vector<OpenRecord> opens;
  std::vector<WriteRecord> writes;
  std::vector<CutterHandle> closes;
  std::vector<int> waits;  // time limit of every WaitRead
  int readsStarted = 0;
  int enumerations = 0;
  // A handle closed while its read was outstanding, or a write on a handle not open.
  int misuse = 0;

  std::set<CutterHandle> OpenHandles() const { return open_; }
  // The bytes of every write, joined.
  std::string AllBytes() const;
  // The bytes of each write, in order.
  std::vector<std::string> Texts() const;

  // --- CutterTransport ---------------------------------------------------------------------
  bool Enumerate(std::vector<std::string>& devicePaths) override;
  int Open(const std::string& path, CutterAccess access, CutterHandle& handle) override;
  int Write(CutterHandle handle, const char* bytes, std::size_t length) override;
  void Close(CutterHandle handle) override;
  int StartRead(CutterHandle handle, std::uint8_t* destination, std::size_t capacity) override;
  bool ReadOutstanding() const override { return readHandle_ != kNoCutterHandle; }
  void WaitRead(int timeoutMs) override;

 private:
  CutterHandle nextHandle_ = 1;
  std::set<CutterHandle> open_;
  CutterHandle readHandle_ = kNoCutterHandle;
  std::uint8_t* readDestination_ = nullptr;
  std::size_t readCapacity_ = 0;
  std::optional<std::string> reply_;
};

}  // namespace orvex::test
