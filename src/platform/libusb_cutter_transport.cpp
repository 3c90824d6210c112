// LibusbCutterTransport: discovery by the id table, shared claimed sessions, bulk writes with a
// time limit, and the one outstanding status read completed on the caller's thread.
#include "platform/libusb_cutter_transport.h"

#include <libusb.h>

#include <QLoggingCategory>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>

#include "devices/cutter_link.h"
#include "platform/usb_endpoints.h"

namespace orvex {

Q_LOGGING_CATEGORY(lcCutterUsb, "orvex.cutter.usb")

namespace {

std::string Hex4(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value & 0xffff);
  return text;
}

bool IsKnownCutter(const libusb_device_descriptor& descriptor) {
  return Hex4(descriptor.idVendor) == kCutterVendorTag &&
         CutterModelForProduct(Hex4(descriptor.idProduct)) != 0;
}

// "\\?\usb#vid_0b4d&pid_1130#1-2.3": the ids where the matching rule reads them, then the bus
// and the chain of hub ports, which stay the same when the cutter is plugged back in there.
std::string DevicePath(libusb_device* device, const libusb_device_descriptor& descriptor) {
  std::string instance = std::to_string(libusb_get_bus_number(device));
  std::uint8_t ports[8];
  const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
  if (depth > 0) {
    for (int i = 0; i < depth; ++i) {
      instance += (i == 0 ? '-' : '.');
      instance += std::to_string(ports[i]);
    }
  } else {
    // No port chain known: the address keeps paths apart, though not across a re-plug.
    instance += "-a" + std::to_string(libusb_get_device_address(device));
  }
  return "\\\\?\\usb#vid_" + Hex4(descriptor.idVendor) + "&pid_" + Hex4(descriptor.idProduct) +
         "#" + instance;
}

// The configuration descriptor as the cutter sends it: its 9-byte header first, for the total
// length. A cutter has one configuration.
int ReadConfiguration(libusb_device_handle* handle, std::vector<std::uint8_t>& bytes) {
  std::uint8_t header[LIBUSB_DT_CONFIG_SIZE] = {};
  int rc = libusb_get_descriptor(handle, LIBUSB_DT_CONFIG, 0, header, sizeof header);
  if (rc < 0) return rc;
  if (rc < 4) return LIBUSB_ERROR_IO;
  bytes.assign(header[2] | header[3] << 8, 0);
  rc = libusb_get_descriptor(handle, LIBUSB_DT_CONFIG, 0, bytes.data(),
                             static_cast<int>(bytes.size()));
  if (rc < 0) return rc;
  bytes.resize(static_cast<std::size_t>(rc));
  return LIBUSB_SUCCESS;
}

// What an open that libusb refused means to the logic.
int OpenErrorCode(int libusbError) {
  switch (libusbError) {
    case LIBUSB_ERROR_ACCESS:
      return kCutterAccessDenied;
    case LIBUSB_ERROR_BUSY:
      return kCutterInUse;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND:
      return kCutterFileNotFound;
    default:
      return kCutterIoError;
  }
}

const char* OpenErrorHint(int libusbError) {
  switch (libusbError) {
    case LIBUSB_ERROR_ACCESS:
      return " (permission denied: install the udev rules, see README)";
    case LIBUSB_ERROR_BUSY:
      return " (another program holds the cutter)";
    default:
      return "";
  }
}

// A finished transfer's outcome as a libusb error, so it can be logged by its name.
int TransferError(libusb_transfer_status status) {
  switch (status) {
    case LIBUSB_TRANSFER_COMPLETED:
      return LIBUSB_SUCCESS;
    case LIBUSB_TRANSFER_TIMED_OUT:
      return LIBUSB_ERROR_TIMEOUT;
    case LIBUSB_TRANSFER_STALL:
      return LIBUSB_ERROR_PIPE;
    case LIBUSB_TRANSFER_NO_DEVICE:
      return LIBUSB_ERROR_NO_DEVICE;
    case LIBUSB_TRANSFER_OVERFLOW:
      return LIBUSB_ERROR_OVERFLOW;
    case LIBUSB_TRANSFER_CANCELLED:
      return LIBUSB_ERROR_INTERRUPTED;
    default:
      return LIBUSB_ERROR_IO;
  }
}

void LIBUSB_CALL MarkDone(libusb_transfer* transfer) {
  *static_cast<int*>(transfer->user_data) = 1;
}

}  // namespace

struct LibusbCutterTransport::Session {
  std::string path;
  libusb_device_handle* handle = nullptr;
  BulkEndpoints endpoints;
  int opens = 0;
  // The cutter went away under this session: every later transfer on it is refused.
  bool vanished = false;
  // Transfers that never came back from a cancel, with what their callback and buffer need;
  // freed once the handle is closed, which ends them in the kernel.
  struct Abandoned {
    libusb_transfer* transfer = nullptr;
    std::shared_ptr<void> keepAlive;
  };
  std::vector<Abandoned> abandoned;
};

struct LibusbCutterTransport::Read {
  CutterHandle handle = kNoCutterHandle;
  Session* session = nullptr;
  libusb_transfer* transfer = nullptr;
  // libusb fills this buffer, never the caller's: the reply is copied over in WaitRead.
  std::vector<unsigned char> buffer;
  std::uint8_t* destination = nullptr;
  std::size_t capacity = 0;
  int done = 0;
};

LibusbCutterTransport::LibusbCutterTransport(LibusbCutterOptions options) : options_(options) {
  const int rc = libusb_init(&context_);
  if (rc != LIBUSB_SUCCESS) {
    qCWarning(lcCutterUsb, "libusb could not start, no cutter can be found: %s",
              libusb_error_name(rc));
    context_ = nullptr;
  }
}

LibusbCutterTransport::~LibusbCutterTransport() {
  CancelRead();
  while (!sessions_.empty()) CloseSession(sessions_.back().get());
  handles_.clear();
  if (context_ != nullptr) libusb_exit(context_);
}

bool LibusbCutterTransport::Enumerate(std::vector<std::string>& devicePaths) {
  devicePaths.clear();
  if (context_ == nullptr) return false;
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context_, &list);
  if (count < 0) {
    qCWarning(lcCutterUsb, "listing the USB devices failed: %s",
              libusb_error_name(static_cast<int>(count)));
    return false;
  }
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS) continue;
    if (IsKnownCutter(descriptor)) devicePaths.push_back(DevicePath(list[i], descriptor));
  }
  libusb_free_device_list(list, 1);
  return true;
}

libusb_device* LibusbCutterTransport::FindDevice(const std::string& path) {
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context_, &list);
  if (count < 0) {
    qCWarning(lcCutterUsb, "listing the USB devices failed: %s",
              libusb_error_name(static_cast<int>(count)));
    return nullptr;
  }
  libusb_device* found = nullptr;
  for (ssize_t i = 0; i < count && found == nullptr; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(list[i], &descriptor) != LIBUSB_SUCCESS) continue;
    if (IsKnownCutter(descriptor) && DevicePath(list[i], descriptor) == path) {
      found = libusb_ref_device(list[i]);
    }
  }
  libusb_free_device_list(list, 1);
  return found;
}

int LibusbCutterTransport::OpenSession(const std::string& path, Session*& session) {
  session = nullptr;
  libusb_device* device = FindDevice(path);
  if (device == nullptr) return kCutterFileNotFound;

  libusb_device_handle* handle = nullptr;
  int rc = libusb_open(device, &handle);
  libusb_unref_device(device);
  if (rc != LIBUSB_SUCCESS) {
    qCWarning(lcCutterUsb, "cannot open the cutter at %s: %s%s", path.c_str(),
              libusb_error_name(rc), OpenErrorHint(rc));
    return OpenErrorCode(rc);
  }
  std::vector<std::uint8_t> configuration;
  rc = ReadConfiguration(handle, configuration);
  if (rc != LIBUSB_SUCCESS) {
    qCWarning(lcCutterUsb, "cannot read the configuration of the cutter at %s: %s", path.c_str(),
              libusb_error_name(rc));
    libusb_close(handle);
    return kCutterIoError;
  }
  const std::optional<BulkEndpoints> endpoints = FindBulkEndpoints(configuration);
  if (!endpoints) {
    qCWarning(lcCutterUsb, "the cutter at %s has no bulk OUT endpoint: %s", path.c_str(),
              libusb_error_name(LIBUSB_ERROR_NOT_SUPPORTED));
    libusb_close(handle);
    return kCutterIoError;
  }
  // A printer-class driver may have the interface; it is given back at release.
  rc = libusb_set_auto_detach_kernel_driver(handle, 1);
  if (rc != LIBUSB_SUCCESS && rc != LIBUSB_ERROR_NOT_SUPPORTED) {
    qCWarning(lcCutterUsb, "the cutter at %s keeps its kernel driver: %s", path.c_str(),
              libusb_error_name(rc));
  }
  rc = libusb_claim_interface(handle, endpoints->interfaceNumber);
  if (rc != LIBUSB_SUCCESS) {
    qCWarning(lcCutterUsb, "cannot claim interface %d of the cutter at %s: %s%s",
              endpoints->interfaceNumber, path.c_str(), libusb_error_name(rc), OpenErrorHint(rc));
    libusb_close(handle);
    return OpenErrorCode(rc);
  }

  auto created = std::make_unique<Session>();
  created->path = path;
  created->handle = handle;
  created->endpoints = *endpoints;
  session = created.get();
  sessions_.push_back(std::move(created));
  return kCutterOk;
}

void LibusbCutterTransport::CloseSession(Session* session) {
  if (!session->vanished) {
    const int rc = libusb_release_interface(session->handle, session->endpoints.interfaceNumber);
    if (rc != LIBUSB_SUCCESS && rc != LIBUSB_ERROR_NO_DEVICE) {
      qCWarning(lcCutterUsb, "releasing the cutter at %s failed: %s", session->path.c_str(),
                libusb_error_name(rc));
    }
  }
  libusb_close(session->handle);
  for (const Session::Abandoned& left : session->abandoned) libusb_free_transfer(left.transfer);
  for (auto it = handles_.begin(); it != handles_.end();) {
    it = it->second.session == session ? handles_.erase(it) : std::next(it);
  }
  std::erase_if(sessions_, [session](const auto& owned) { return owned.get() == session; });
}

int LibusbCutterTransport::Open(const std::string& path, CutterAccess access,
                                CutterHandle& handle) {
  handle = kNoCutterHandle;
  if (context_ == nullptr) return kCutterFileNotFound;
  Session* session = nullptr;
  for (const auto& existing : sessions_) {
    if (existing->path == path && !existing->vanished) session = existing.get();
  }
  if (session == nullptr) {
    const int rc = OpenSession(path, session);
    if (rc != kCutterOk) return rc;
  }
  ++session->opens;
  handle = nextHandle_++;
  handles_[handle] = OpenHandle{session, access};
  return kCutterOk;
}

LibusbCutterTransport::Session* LibusbCutterTransport::SessionOf(CutterHandle handle,
                                                                 CutterAccess access) {
  const auto it = handles_.find(handle);
  if (it == handles_.end() || it->second.access != access) return nullptr;
  return it->second.session;
}

void LibusbCutterTransport::Close(CutterHandle handle) {
  const auto it = handles_.find(handle);
  if (it == handles_.end()) return;
  Session* session = it->second.session;
  if (read_ != nullptr && read_->handle == handle) CancelRead();
  handles_.erase(it);
  if (--session->opens <= 0) CloseSession(session);
}

void LibusbCutterTransport::HandleEventsUntil(int* done, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
  do {
    if (*done != 0) return;
    const auto left = std::max(Clock::duration::zero(), deadline - Clock::now());
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
    timeval limit{static_cast<time_t>(micros / 1000000),
                  static_cast<suseconds_t>(micros % 1000000)};
    const int rc = libusb_handle_events_timeout_completed(context_, &limit, done);
    if (rc != LIBUSB_SUCCESS && rc != LIBUSB_ERROR_INTERRUPTED) {
      qCWarning(lcCutterUsb, "handling USB events failed: %s", libusb_error_name(rc));
      return;
    }
  } while (Clock::now() < deadline);
}

bool LibusbCutterTransport::FinishTransfer(libusb_transfer* transfer,
                                           const std::shared_ptr<int>& done, int timeoutMs,
                                           Session& session) {
  HandleEventsUntil(done.get(), timeoutMs);
  if (*done != 0) return true;
  libusb_cancel_transfer(transfer);
  HandleEventsUntil(done.get(), options_.cancelGraceMs);
  if (*done != 0) return true;
  qCWarning(lcCutterUsb, "a transfer to the cutter at %s did not come back from its cancel: %s",
            session.path.c_str(), libusb_error_name(LIBUSB_ERROR_TIMEOUT));
  session.vanished = true;
  session.abandoned.push_back(Session::Abandoned{transfer, done});
  return false;
}

int LibusbCutterTransport::Write(CutterHandle handle, const char* bytes, std::size_t length) {
  Session* session = SessionOf(handle, CutterAccess::kWrite);
  if (session == nullptr || session->vanished) return kCutterInvalidHandle;
  if (length == 0) return kCutterOk;
  if (bytes == nullptr || length > static_cast<std::size_t>(INT_MAX)) return kCutterIoError;

  libusb_transfer* transfer = libusb_alloc_transfer(0);
  if (transfer == nullptr) return kCutterIoError;
  // Shared, since an abandoned transfer keeps pointing at it until its session closes.
  auto done = std::make_shared<int>(0);
  // libusb takes a mutable buffer; an OUT transfer only reads it.
  libusb_fill_bulk_transfer(transfer, session->handle, session->endpoints.out,
                            reinterpret_cast<unsigned char*>(const_cast<char*>(bytes)),
                            static_cast<int>(length), MarkDone, done.get(),
                            static_cast<unsigned int>(std::max(1, options_.writeTimeoutMs)));
  const int submitted = libusb_submit_transfer(transfer);
  if (submitted != LIBUSB_SUCCESS) {
    libusb_free_transfer(transfer);
    qCWarning(lcCutterUsb, "writing to the cutter at %s failed: %s", session->path.c_str(),
              libusb_error_name(submitted));
    if (submitted == LIBUSB_ERROR_NO_DEVICE) {
      session->vanished = true;
      return kCutterInvalidHandle;
    }
    return kCutterIoError;
  }
  // libusb's own time limit cancels the transfer; this wait only backs it up.
  if (!FinishTransfer(transfer, done, options_.writeTimeoutMs + options_.cancelGraceMs, *session)) {
    return kCutterInvalidHandle;
  }
  const libusb_transfer_status status = transfer->status;
  const int sent = transfer->actual_length;
  libusb_free_transfer(transfer);
  if (status == LIBUSB_TRANSFER_COMPLETED && sent == static_cast<int>(length)) return kCutterOk;

  const int error = status == LIBUSB_TRANSFER_COMPLETED ? LIBUSB_ERROR_IO : TransferError(status);
  qCWarning(lcCutterUsb, "writing to the cutter at %s stopped after %d of %zu bytes: %s",
            session->path.c_str(), sent, length, libusb_error_name(error));
  if (status == LIBUSB_TRANSFER_NO_DEVICE) {
    session->vanished = true;
    return kCutterInvalidHandle;
  }
  if (status == LIBUSB_TRANSFER_STALL) {
    const int rc = libusb_clear_halt(session->handle, session->endpoints.out);
    if (rc != LIBUSB_SUCCESS) {
      qCWarning(lcCutterUsb, "clearing the stalled endpoint of the cutter at %s failed: %s",
                session->path.c_str(), libusb_error_name(rc));
    }
  }
  return kCutterIoError;
}

int LibusbCutterTransport::StartRead(CutterHandle handle, std::uint8_t* destination,
                                     std::size_t capacity) {
  Session* session = SessionOf(handle, CutterAccess::kRead);
  if (session == nullptr || session->vanished) return kCutterInvalidHandle;
  if (read_ != nullptr || destination == nullptr || capacity == 0) return kCutterIoError;
  if (session->endpoints.in == 0) {
    qCWarning(lcCutterUsb, "the cutter at %s has no bulk IN endpoint to read from: %s",
              session->path.c_str(), libusb_error_name(LIBUSB_ERROR_NOT_SUPPORTED));
    return kCutterIoError;
  }

  auto read = std::make_unique<Read>();
  read->handle = handle;
  read->session = session;
  read->destination = destination;
  read->capacity = capacity;
  // Whole packets: a reply packet longer than the caller wants must not overflow the transfer.
  const std::size_t packet = static_cast<std::size_t>(session->endpoints.inPacketSize);
  read->buffer.assign((capacity + packet - 1) / packet * packet, 0);
  read->transfer = libusb_alloc_transfer(0);
  if (read->transfer == nullptr) return kCutterIoError;
  // No time limit: the read stays outstanding across polls until the cutter answers.
  libusb_fill_bulk_transfer(read->transfer, session->handle, session->endpoints.in,
                            read->buffer.data(), static_cast<int>(read->buffer.size()), MarkDone,
                            &read->done, 0);
  const int rc = libusb_submit_transfer(read->transfer);
  if (rc != LIBUSB_SUCCESS) {
    libusb_free_transfer(read->transfer);
    qCWarning(lcCutterUsb, "starting the status read from the cutter at %s failed: %s",
              session->path.c_str(), libusb_error_name(rc));
    if (rc == LIBUSB_ERROR_NO_DEVICE) {
      session->vanished = true;
      return kCutterInvalidHandle;
    }
    return kCutterIoError;
  }
  read_ = std::move(read);
  return kCutterOk;
}

void LibusbCutterTransport::WaitRead(int timeoutMs) {
  if (read_ == nullptr) return;
  HandleEventsUntil(&read_->done, timeoutMs);
  if (read_->done != 0) CompleteRead();
}

void LibusbCutterTransport::CompleteRead() {
  libusb_transfer* transfer = read_->transfer;
  if (transfer->status == LIBUSB_TRANSFER_COMPLETED) {
    const std::size_t received = static_cast<std::size_t>(std::max(0, transfer->actual_length));
    std::memcpy(read_->destination, read_->buffer.data(), std::min(received, read_->capacity));
  } else {
    qCWarning(lcCutterUsb, "the status read from the cutter at %s ended without a reply: %s",
              read_->session->path.c_str(), libusb_error_name(TransferError(transfer->status)));
    if (transfer->status == LIBUSB_TRANSFER_NO_DEVICE) read_->session->vanished = true;
  }
  libusb_free_transfer(transfer);
  read_.reset();
}

void LibusbCutterTransport::CancelRead() {
  if (read_ == nullptr) return;
  if (read_->done == 0) {
    const int rc = libusb_cancel_transfer(read_->transfer);
    if (rc != LIBUSB_SUCCESS && rc != LIBUSB_ERROR_NOT_FOUND) {
      qCWarning(lcCutterUsb, "cancelling the status read from the cutter at %s failed: %s",
                read_->session->path.c_str(), libusb_error_name(rc));
    }
    HandleEventsUntil(&read_->done, options_.cancelGraceMs);
  }
  if (read_->done == 0) {
    qCWarning(lcCutterUsb, "the status read from the cutter at %s did not come back: %s",
              read_->session->path.c_str(), libusb_error_name(LIBUSB_ERROR_TIMEOUT));
    // Its buffer and flag must live as long as the transfer does.
    Session* session = read_->session;
    libusb_transfer* transfer = read_->transfer;
    session->vanished = true;
    session->abandoned.push_back(
        Session::Abandoned{transfer, std::shared_ptr<Read>(std::move(read_))});
    return;
  }
  libusb_free_transfer(read_->transfer);
  read_.reset();
}

}  // namespace orvex
