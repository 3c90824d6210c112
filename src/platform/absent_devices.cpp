// Links to devices that are not there: every enumeration is empty, every open fails.
#include "platform/absent_devices.h"

namespace orvex {

bool AbsentCutterTransport::Enumerate(std::vector<std::string>& devicePaths) {
  devicePaths.clear();
  return true;
}

int AbsentCutterTransport::Open(const std::string&, CutterAccess, CutterHandle& handle) {
  handle = kNoCutterHandle;
  return kCutterFileNotFound;
}

int AbsentCutterTransport::Write(CutterHandle, const char*, std::size_t) {
  return kCutterInvalidHandle;
}

void AbsentCutterTransport::Close(CutterHandle) {}

int AbsentCutterTransport::StartRead(CutterHandle, std::uint8_t*, std::size_t) {
  return kCutterInvalidHandle;
}

void AbsentCutterTransport::WaitRead(int) {}

bool AbsentFeederTransport::Enumerate(std::vector<HidDeviceInfo>& devices) {
  devices.clear();
  return true;
}

int AbsentFeederTransport::Open(const std::string&, FeederHandle& handle) {
  handle = kNoFeederHandle;
  return 2;  // no such device
}

void AbsentFeederTransport::Close(FeederHandle) {}

TransferResult AbsentFeederTransport::Write(FeederHandle, const std::uint8_t*, std::size_t, int) {
  return {};
}

TransferResult AbsentFeederTransport::Read(FeederHandle, std::uint8_t*, std::size_t, int) {
  return {};
}

}  // namespace orvex
