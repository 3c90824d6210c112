// The cutter's USB link on libusb. The cutter is found among the USB devices by its vendor and
// product (the table in devices/cutter_link.h); its path carries both ids where the matching
// rule looks and then the bus and port path, so a cutter plugged back into the same port is the
// same path. Its bulk endpoints are chosen from the configuration descriptor it sends at each
// open (platform/usb_endpoints.h). Writes are bulk OUT transfers with a time limit; the status read
// is one asynchronous bulk IN transfer whose reply is copied into the caller's buffer only inside
// WaitRead, on the calling thread. Every open of one cutter shares one libusb handle, which
// claims the cutter's interface while any open is held and releases it when the last closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/cutter_transport.h"

struct libusb_context;
struct libusb_device;
struct libusb_transfer;

namespace orvex {

struct LibusbCutterOptions {
  // A write the cutter has not taken within this time fails. A cutter busy cutting takes its
  // next line within seconds; one that takes nothing for this long will not.
  int writeTimeoutMs = 20000;
  // How long a cancelled transfer may take to come back before the cutter is given up.
  int cancelGraceMs = 1000;
};

class LibusbCutterTransport : public CutterTransport {
 public:
  explicit LibusbCutterTransport(LibusbCutterOptions options = {});
  ~LibusbCutterTransport() override;
  LibusbCutterTransport(const LibusbCutterTransport&) = delete;
  LibusbCutterTransport& operator=(const LibusbCutterTransport&) = delete;

  bool Enumerate(std::vector<std::string>& devicePaths) override;
  int Open(const std::string& path, CutterAccess access, CutterHandle& handle) override;
  int Write(CutterHandle handle, const char* bytes, std::size_t length) override;
  void Close(CutterHandle handle) override;
  int StartRead(CutterHandle handle, std::uint8_t* destination, std::size_t capacity) override;
  bool ReadOutstanding() const override { return read_ != nullptr; }
  void WaitRead(int timeoutMs) override;

 private:
  struct Session;
  struct Read;
  struct OpenHandle {
    Session* session = nullptr;
    CutterAccess access = CutterAccess::kWrite;
  };

  // The present device whose path is `path`, referenced, or nullptr.
  libusb_device* FindDevice(const std::string& path);
  int OpenSession(const std::string& path, Session*& session);
  void CloseSession(Session* session);
  // The session of an open handle of the given access, or nullptr.
  Session* SessionOf(CutterHandle handle, CutterAccess access);

  // Handles libusb's events on this thread until *done is set or `timeoutMs` has passed; at
  // least one pass even with 0.
  void HandleEventsUntil(int* done, int timeoutMs);
  // Waits for a submitted transfer up to `timeoutMs`, then cancels it and waits the grace
  // period. False when it never came back: then it belongs to `session` until that closes.
  bool FinishTransfer(libusb_transfer* transfer, const std::shared_ptr<int>& done, int timeoutMs,
                      Session& session);
  void CompleteRead();
  void CancelRead();

  LibusbCutterOptions options_;
  libusb_context* context_ = nullptr;
  std::vector<std::unique_ptr<Session>> sessions_;
  std::map<CutterHandle, OpenHandle> handles_;
  CutterHandle nextHandle_ = 1;
  std::unique_ptr<Read> read_;
};

}  // namespace orvex
