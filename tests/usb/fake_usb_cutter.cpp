// The fake USB cutter: its sysfs entry and descriptors, and usbdevfs played over umockdev.
#include "usb/fake_usb_cutter.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orvex::test {
namespace {

constexpr unsigned char kOut = 0x03;
constexpr unsigned char kIn = 0x84;
// One configuration: a printer-class interface 1 with bulk OUT 0x03 and IN 0x84, 512 bytes each.
constexpr unsigned char kConfiguration[] = {
    0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xc0, 0x32, 0x09, 0x04, 0x01, 0x00, 0x02, 0x07, 0x01,
    0x02, 0x00, 0x07, 0x05, kOut, 0x02, 0x00, 0x02, 0x00, 0x07, 0x05, kIn,  0x02, 0x00, 0x02, 0x00};

void Unref(const auto& urb) {
  umockdev_ioctl_data_unref(urb.buffer);
  umockdev_ioctl_data_unref(urb.urb);
}

}  // namespace

FakeUsbCutter::FakeUsbCutter(UmockdevBed& bed, FakeUsbCutterSettings settings)
    : bed_(bed),
      settings_(std::move(settings)),
      // Attached before the device appears, so an open right after the add works.
      handler_(bed_.AttachIoctl(Node(), &FakeUsbCutter::OnIoctl, this)) {
  const int vendor = settings_.vendor;
  const int product = settings_.product;
  // The device descriptor, then the configuration, in hex as sysfs shows them.
  std::string descriptors = Format("1201000200000040%02x%02x", vendor & 0xff, vendor >> 8) +
                            Format("%02x%02x000100000001", product & 0xff, product >> 8);
  for (const unsigned char byte : kConfiguration) descriptors += Format("%02x", byte);
  bed_.Add("P: " + SysPath().substr(4) + "\nN: " + Node().substr(5) +
           "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=001\n" +
           Format("E: DEVNUM=%03d\nA: busnum=1\\n\nA: devnum=%d\\n\n", settings_.address,
                  settings_.address) +
           Format("A: idVendor=%04x\\n\nA: idProduct=%04x\\n\n", vendor, product) +
           "E: DEVNAME=" + Node() +
           "\nA: speed=480\\n\nA: bConfigurationValue=1\\n\nH: descriptors=" + descriptors + "\n");
}

FakeUsbCutter::~FakeUsbCutter() {
  bed_.DetachIoctl(Node(), handler_);
  umockdev_testbed_remove_device(bed_.Get(), SysPath().c_str());
  for (const Urb& urb : waiting_) Unref(urb);
  for (const Urb& urb : done_) Unref(urb);
}

std::string FakeUsbCutter::Node() const {
  return Format("/dev/bus/usb/001/%03d", settings_.address);
}

std::string FakeUsbCutter::SysPath() const {
  return UsbSysPath(settings_.ports);
}

std::string FakeUsbCutter::ExpectedPath() const {
  return Format("\\\\?\\usb#vid_%04x&pid_%04x#1-", settings_.vendor, settings_.product) +
         settings_.ports;
}

int FakeUsbCutter::OnIoctl(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client,
                           void* self) {
  auto& cutter = *static_cast<FakeUsbCutter*>(self);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const std::lock_guard<std::mutex> hold(cutter.lock_);
  Urb reaped;
  int error = 0;
  switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_DISCONNECT_CLAIM:  // libusb claims so when it may detach a kernel driver
      error = cutter.Claim();
      break;
    case USBDEVFS_RELEASEINTERFACE:
      cutter.claimed = false;
      error = cutter.plugged_ ? 0 : ENODEV;
      break;
    case USBDEVFS_SUBMITURB:
      error = cutter.Submit(arg);
      break;
    case USBDEVFS_REAPURBNDELAY:
      error = cutter.Reap(arg, reaped);
      break;
    case USBDEVFS_DISCARDURB:
      error = cutter.Discard(arg);
      break;
    default:  // as giving the interface back to a kernel driver: there is none
      return FALSE;
  }
  umockdev_ioctl_client_complete(client, error == 0 ? 0 : -1, error);
  // A reaped transfer's data goes back to the host with the completion.
  if (reaped.urb != nullptr) Unref(reaped);
  return TRUE;
}

int FakeUsbCutter::Claim() {
  const int error = !plugged_ ? ENODEV : refuseClaim ? EBUSY : 0;
  if (error == 0) claimed = true;
  return error;
}

int FakeUsbCutter::Submit(UMockdevIoctlData* arg) {
  UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  const auto* urb = reinterpret_cast<const usbdevfs_urb*>(data->data);
  Urb entry{data,
            umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer),
                                        static_cast<gsize>(urb->buffer_length), nullptr),
            (urb->endpoint & 0x80) != 0};
  // A control transfer can only be the request for the configuration descriptor.
  const auto* setup = reinterpret_cast<const unsigned char*>(entry.buffer->data);
  const bool control = urb->type == USBDEVFS_URB_TYPE_CONTROL && entry.buffer->data_len >= 8 &&
                       setup[0] == 0x80 && setup[1] == 6 && setup[3] == 2;
  const bool bulk = urb->type == USBDEVFS_URB_TYPE_BULK && urb->endpoint == (entry.in ? kIn : kOut);
  if (!plugged_ || !(control || bulk)) {
    Unref(entry);
    return plugged_ ? EINVAL : ENODEV;
  }
  if (control) {
    // The answer goes after the setup packet, cut to the length asked for.
    entry.actualLength =
        static_cast<int>(std::min<std::size_t>(sizeof kConfiguration, entry.buffer->data_len - 8));
    std::memcpy(entry.buffer->data + 8, kConfiguration, entry.actualLength);
    done_.push_back(entry);
  } else if (entry.in) {
    waiting_.push_back(entry);
    MatchReplies();
  } else {
    Receive(entry);
  }
  return 0;
}

void FakeUsbCutter::Receive(Urb urb) {
  const std::string bytes(reinterpret_cast<const char*>(urb.buffer->data), urb.buffer->data_len);
  if (vanishAfter_ && received_.size() + bytes.size() > *vanishAfter_) {
    // The device leaves while this write is on the wire: the bytes before that moment arrived.
    const std::size_t arrived = *vanishAfter_ - received_.size();
    received_ += bytes.substr(0, arrived);
    urb.actualLength = static_cast<int>(arrived);
    urb.status = -ENODEV;
    done_.push_back(urb);
    vanishAfter_.reset();
    Vanish();
  } else if (stallWrites) {
    waiting_.push_back(urb);
  } else {
    const std::string taken = bytes.substr(0, takeAtMost);
    received_ += taken;
    urb.actualLength = static_cast<int>(taken.size());
    done_.push_back(urb);
  }
}

void FakeUsbCutter::MatchReplies() {
  for (auto it = waiting_.begin(); it != waiting_.end() && !replies_.empty();) {
    if (!it->in) {
      ++it;
      continue;
    }
    const std::string& reply = replies_.front();
    const std::size_t length = std::min<std::size_t>(reply.size(), it->buffer->data_len);
    std::memcpy(it->buffer->data, reply.data(), length);
    it->actualLength = static_cast<int>(length);
    replies_.pop_front();
    done_.push_back(*it);
    it = waiting_.erase(it);
  }
}

void FakeUsbCutter::Vanish() {
  plugged_ = false;
  claimed = false;
  replies_.clear();
  for (Urb& urb : waiting_) {
    urb.status = -ENODEV;
    urb.actualLength = 0;
    done_.push_back(urb);
  }
  waiting_.clear();
}

int FakeUsbCutter::Reap(UMockdevIoctlData* arg, Urb& reaped) {
  if (done_.empty()) return plugged_ ? EAGAIN : ENODEV;
  reaped = done_.front();
  done_.pop_front();
  auto* header = reinterpret_cast<usbdevfs_urb*>(reaped.urb->data);
  header->status = reaped.status;
  header->actual_length = reaped.actualLength;
  UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
  umockdev_ioctl_data_set_ptr(slot, 0, reaped.urb);
  umockdev_ioctl_data_unref(slot);
  return 0;
}

int FakeUsbCutter::Discard(UMockdevIoctlData* arg) {
  const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
  const auto it = std::find_if(waiting_.begin(), waiting_.end(), [address](const Urb& urb) {
    return urb.urb->client_addr == address;
  });
  if (it == waiting_.end()) return EINVAL;
  it->status = -ENOENT;
  it->actualLength = 0;
  done_.push_back(*it);
  waiting_.erase(it);
  ++discards;
  return 0;
}

void FakeUsbCutter::Reply(const std::string& bytes) {
  const std::lock_guard<std::mutex> hold(lock_);
  replies_.push_back(bytes);
  MatchReplies();
}

void FakeUsbCutter::UnplugAfterBytes(std::size_t count) {
  const std::lock_guard<std::mutex> hold(lock_);
  vanishAfter_ = received_.size() + std::max<std::size_t>(count, 1) - 1;
}

void FakeUsbCutter::Unplug() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    Vanish();
  }
  bed_.Uevent(SysPath(), "remove");
}

void FakeUsbCutter::Plug() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    plugged_ = true;
  }
  bed_.Uevent(SysPath(), "add");
}

std::string FakeUsbCutter::Received() {
  const std::lock_guard<std::mutex> hold(lock_);
  return received_;
}

}  // namespace orvex::test
