// CutterLink: discovery by the ids in the device path, per-command sends, the cut stream, and
// the single outstanding status read.
#include "devices/cutter_link.h"

#include <string>
#include <vector>

namespace orvex {

int CutterModelForProduct(std::string_view product) {
  for (const CutterProduct& known : kCutterProducts) {
    if (known.productId == product) return known.model;
  }
  return 0;
}

bool IsCutterPath(std::string_view path) {
  // A path too short to hold the product id is no cutter, even if the vendor id fits.
  if (path.size() < kCutterProductAt + kCutterIdLength) return false;
  return path.substr(kCutterVendorAt, kCutterIdLength) == kCutterVendorTag;
}

CutterLink::CutterLink(CutterTransport& transport, RunContext& ctx)
    : transport_(transport), ctx_(ctx) {
  ctx_.cutterStatus[RunContext::kCutterStatusBytes] = 0;
}

CutterLink::~CutterLink() {
  // A handle with a read outstanding must not be closed; the transport owns that read now.
  ReleaseCompletedRead();
}

int CutterLink::FindCutter() {
  std::vector<std::string> paths;
  if (!transport_.Enumerate(paths)) return 0;
  for (const std::string& path : paths) {
    if (!IsCutterPath(path)) continue;
    const int model =
        CutterModelForProduct(std::string_view(path).substr(kCutterProductAt, kCutterIdLength));
    // An unknown product of the vendor is still the cutter, but says nothing about its model.
    if (model != 0) ctx_.cutterModel = model;
    ctx_.cutterPath = path;
    return 1;
  }
  return 0;
}

int CutterLink::SendToCutter(const char* text, std::size_t length) {
  CutterHandle handle = kNoCutterHandle;
  const int openError = transport_.Open(ctx_.cutterPath, CutterAccess::kWrite, handle);
  if (openError != kCutterOk || handle == kNoCutterHandle) {
    if (handle != kNoCutterHandle) transport_.Close(handle);
    return openError != kCutterOk ? openError : kCutterInvalidHandle;
  }
  const int result = transport_.Write(handle, text, length);
  transport_.Close(handle);
  return result;
}

CutterHandle CutterLink::OpenCutterStream(int* openError) {
  CutterHandle handle = kNoCutterHandle;
  int error = transport_.Open(ctx_.cutterPath, CutterAccess::kWrite, handle);
  if (error != kCutterOk && handle != kNoCutterHandle) {
    transport_.Close(handle);
    handle = kNoCutterHandle;
  }
  if (error == kCutterOk && handle == kNoCutterHandle) error = kCutterInvalidHandle;
  if (openError != nullptr) *openError = error;
  return handle;
}

int CutterLink::WriteCutterStream(CutterHandle handle, const char* text, std::size_t length) {
  if (handle == kNoCutterHandle) return kCutterInvalidHandle;
  return transport_.Write(handle, text, length);
}

void CutterLink::CloseCutterStream(CutterHandle handle) {
  if (handle != kNoCutterHandle) transport_.Close(handle);
}

bool CutterLink::StatusReadOutstanding() const {
  return transport_.ReadOutstanding();
}

void CutterLink::ReleaseCompletedRead() {
  if (readHandle_ != kNoCutterHandle && !transport_.ReadOutstanding()) {
    transport_.Close(readHandle_);
    readHandle_ = kNoCutterHandle;
  }
}

int CutterLink::ReadCutterStatus() {
  // A read that ended (a reply, or the device gone) gives its handle back before anything else.
  ReleaseCompletedRead();
  CutterHandle handle = kNoCutterHandle;
  const int openError = transport_.Open(ctx_.cutterPath, CutterAccess::kRead, handle);
  if (openError != kCutterOk || handle == kNoCutterHandle) {
    if (handle != kNoCutterHandle) transport_.Close(handle);
    return openError != kCutterOk ? openError : kCutterInvalidHandle;
  }

  int result = kCutterOk;
  if (!transport_.ReadOutstanding()) {
    const int startError =
        transport_.StartRead(handle, ctx_.cutterStatus.data(), RunContext::kCutterStatusBytes);
    if (startError == kCutterOk) {
      readHandle_ = handle;
    } else {
      transport_.Close(handle);
      result = startError;
    }
  } else {
    // The earlier read still owns its handle; this poll only waits for it.
    transport_.Close(handle);
  }

  if (transport_.ReadOutstanding()) transport_.WaitRead(kStatusReadWaitMs);
  ReleaseCompletedRead();
  ctx_.cutterStatus[RunContext::kCutterStatusBytes] = 0;
  return result;
}

void CutterLink::PumpStatusRead() {
  if (transport_.ReadOutstanding()) transport_.WaitRead(0);
  ReleaseCompletedRead();
  ctx_.cutterStatus[RunContext::kCutterStatusBytes] = 0;
}

}  // namespace orvex
