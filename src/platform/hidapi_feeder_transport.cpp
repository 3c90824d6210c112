// HidapiFeederTransport: the feeder's interface found by its identity, its node opened twice
// (hidapi's handle for the reports, a descriptor of ours to poll), reports framed with id 0.
#include "platform/hidapi_feeder_transport.h"

#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <poll.h>
#include <unistd.h>

#include <QLoggingCategory>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "devices/feeder_link.h"

namespace orvex {

Q_LOGGING_CATEGORY(lcFeederHid, "orvex.feeder.hid")

namespace {

// hidapi's last error for `device` (or for the library when null), as text.
QByteArray HidError(hid_device* device) {
  const wchar_t* text = hid_error(device);
  return text == nullptr ? QByteArray("no reason given") : QString::fromWCharArray(text).toUtf8();
}

int OpenErrorCode(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return kFeederAccessDenied;
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return kFeederNotFound;
    default:
      return kFeederIoError;
  }
}

}  // namespace

HidapiFeederTransport::HidapiFeederTransport() {
  started_ = hid_init() == 0;
  if (!started_)
    qCWarning(lcFeederHid, "hidapi could not start: %s", HidError(nullptr).constData());
}

HidapiFeederTransport::~HidapiFeederTransport() {
  while (!open_.empty()) Close(open_.begin()->first);
  if (started_) hid_exit();
}

bool HidapiFeederTransport::Enumerate(std::vector<HidDeviceInfo>& devices) {
  devices.clear();
  if (!started_) return false;
  hid_device_info* list = hid_enumerate(static_cast<unsigned short>(kFeederVendorId),
                                        static_cast<unsigned short>(kFeederProductId));
  // An empty list is also how hidapi says nothing matched; only the feeder's ids were asked for.
  for (const hid_device_info* info = list; info != nullptr; info = info->next) {
    if (info->path == nullptr || info->usage_page != kFeederUsagePage ||
        info->usage != kFeederUsage) {
      continue;
    }
    devices.push_back(HidDeviceInfo{info->path, info->vendor_id, info->product_id, info->usage_page,
                                    info->usage});
  }
  hid_free_enumeration(list);
  return true;
}

int HidapiFeederTransport::Open(const std::string& path, FeederHandle& handle) {
  handle = kNoFeederHandle;
  if (!started_) return kFeederNotFound;
  // Our own descriptor first: it says why an open is refused (hidapi keeps only a text).
  const int pollFd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (pollFd < 0) {
    const int error = errno;
    qCWarning(lcFeederHid, "cannot open the feeder at %s: %s%s", path.c_str(), std::strerror(error),
              error == EACCES ? " (permission denied: install the udev rules, see README)" : "");
    return OpenErrorCode(error);
  }
  hid_device* device = hid_open_path(path.c_str());
  if (device == nullptr) {
    qCWarning(lcFeederHid, "the feeder at %s does not open as a HID device: %s", path.c_str(),
              HidError(nullptr).constData());
    ::close(pollFd);
    return kFeederIoError;
  }
  handle = nextHandle_++;
  open_[handle] = OpenDevice{path, device, pollFd};
  return kFeederOk;
}

void HidapiFeederTransport::Close(FeederHandle handle) {
  const auto it = open_.find(handle);
  if (it == open_.end()) return;
  hid_close(it->second.device);
  ::close(it->second.pollFd);
  open_.erase(it);
}

TransferResult HidapiFeederTransport::Write(FeederHandle handle, const std::uint8_t* report,
                                            std::size_t length, int timeoutMs) {
  const auto it = open_.find(handle);
  if (it == open_.end() || report == nullptr || length == 0) return {TransferStatus::kFailed, 0};
  const OpenDevice& open = it->second;

  pollfd ready{open.pollFd, POLLOUT, 0};
  int polled = 0;
  do {
    polled = ::poll(&ready, 1, std::max(0, timeoutMs));
  } while (polled < 0 && errno == EINTR);
  if (polled == 0) return {TransferStatus::kTimedOut, 0};
  if (polled < 0 || (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
    qCWarning(lcFeederHid, "the feeder at %s cannot take a report: %s", open.path.c_str(),
              polled < 0 ? std::strerror(errno) : "the device has gone");
    return {TransferStatus::kFailed, 0};
  }
  const int written = hid_write(open.device, report, length);
  if (written < 0) {
    qCWarning(lcFeederHid, "writing to the feeder at %s failed: %s", open.path.c_str(),
              HidError(open.device).constData());
    return {TransferStatus::kFailed, 0};
  }
  return {TransferStatus::kDone, static_cast<std::size_t>(written)};
}

TransferResult HidapiFeederTransport::Read(FeederHandle handle, std::uint8_t* report,
                                           std::size_t capacity, int timeoutMs) {
  const auto it = open_.find(handle);
  if (it == open_.end() || report == nullptr || capacity == 0) return {TransferStatus::kFailed, 0};
  const OpenDevice& open = it->second;

  // A negative limit would wait for ever.
  const int got = hid_read_timeout(open.device, report + 1, capacity - 1, std::max(0, timeoutMs));
  if (got < 0) {
    qCWarning(lcFeederHid, "reading from the feeder at %s failed: %s", open.path.c_str(),
              HidError(open.device).constData());
    return {TransferStatus::kFailed, 0};
  }
  if (got == 0) return {TransferStatus::kTimedOut, 0};
  report[0] = 0;  // the report id hidraw took off
  return {TransferStatus::kDone, static_cast<std::size_t>(got) + 1};
}

}  // namespace orvex
