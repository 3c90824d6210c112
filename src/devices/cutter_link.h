// CutterLink: the byte path to the cutting plotter over a CutterTransport. Finds the cutter by
// its USB ids in the device path, sends command texts (one open per command), streams cut lines
// over one open, and keeps at most one status read outstanding into RunContext::cutterStatus.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/cutter_transport.h"
#include "core/run_context.h"

namespace orvex {

// The cutter's identity in a device path. Only the exact lower-case vendor text matches.
inline constexpr std::string_view kCutterVendorTag = "0b4d";
inline constexpr std::size_t kCutterVendorAt = 12;
inline constexpr std::size_t kCutterProductAt = 21;
inline constexpr std::size_t kCutterIdLength = 4;
// How long one status poll waits for an outstanding reply.
inline constexpr int kStatusReadWaitMs = 100;

// The cutter's products and the model each stands for. The platform's device-access rules are
// generated from this table, so a product added here is reachable on the next install.
struct CutterProduct {
  std::string_view productId;
  int model;
};
inline constexpr CutterProduct kCutterProducts[] = {{"1130", 1}, {"1135", 2}, {"1143", 2}};

// The model a product id text stands for, 0 for a product not in kCutterProducts.
int CutterModelForProduct(std::string_view product);

// True when `path` is long enough to hold both ids and carries the cutter's vendor id.
bool IsCutterPath(std::string_view path);

class CutterLink {
 public:
  // Both must outlive the link; the status read writes into ctx.cutterStatus.
  CutterLink(CutterTransport& transport, RunContext& ctx);
  ~CutterLink();
  CutterLink(const CutterLink&) = delete;
  CutterLink& operator=(const CutterLink&) = delete;

  // 1 when a cutter was found (cutterPath and cutterModel set), 0 otherwise (both kept).
  int FindCutter();

  // One open of cutterPath, one write of all bytes, one close. 0 or the platform's error code.
  int SendToCutter(const char* text, std::size_t length);
  int SendToCutter(std::string_view text) { return SendToCutter(text.data(), text.size()); }

  // A stream is one open, many writes, one close. A failed open yields kNoCutterHandle (and its
  // error code in *openError when given); writes on that handle return kCutterInvalidHandle and
  // closing it does nothing, so a sender need not check the open.
  CutterHandle OpenCutterStream(int* openError = nullptr);
  int WriteCutterStream(CutterHandle handle, const char* text, std::size_t length);
  int WriteCutterStream(CutterHandle handle, std::string_view text) {
    return WriteCutterStream(handle, text.data(), text.size());
  }
  void CloseCutterStream(CutterHandle handle);

  // One status poll: starts a read of up to 64 bytes into cutterStatus unless one is already
  // outstanding, then waits up to 100 ms for it. Returns 0, or the error code when cutterPath
  // could not be opened (then no read is started). The buffer keeps its contents until a reply
  // completes into it; its 65th byte stays 0.
  int ReadCutterStatus();

  // Lets an outstanding reply land without waiting; the run loop calls it on every tick so a
  // late reply reaches cutterStatus before the buffer is next looked at.
  void PumpStatusRead();

  [[nodiscard]] bool StatusReadOutstanding() const;

  // Start-up: no earlier read counts as outstanding. A read still in flight is kept, since
  // forgetting it would let its late reply land in a buffer nobody expects to change.
  void ClearStatusRead() { ReleaseCompletedRead(); }

 private:
  void ReleaseCompletedRead();

  CutterTransport& transport_;
  RunContext& ctx_;
  // The handle a status read was started on; it stays open until that read has completed.
  CutterHandle readHandle_ = kNoCutterHandle;
};

}  // namespace orvex
