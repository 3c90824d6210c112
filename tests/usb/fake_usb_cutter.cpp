// The fake USB cutter: its sysfs entry and descriptors, and usbdevfs played over umockdev.
#include "usb/fake_usb_cutter.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace orvex::test {
namespace {

// The device descriptor, then one configuration: a printer-class interface with a bulk OUT and
// a bulk IN endpoint; in hex, as sysfs shows them.
std::string DescriptorsHex(const FakeUsbCutterSettings& s) {
  char text[160];
  const int low = s.maxPacket & 0xff;
  const int high = s.maxPacket >> 8;
  std::snprintf(text, sizeof text,
                "1201000200000040%02x%02x%02x%02x000100000001"
                "09022000010100c032"
                "0904%02x000207010200"
                "0705%02x02%02x%02x00"
                "0705%02x02%02x%02x00",
                s.vendor & 0xff, s.vendor >> 8, s.product & 0xff, s.product >> 8, s.interfaceNumber,
                s.outEndpoint, low, high, s.inEndpoint, low, high);
  return text;
}

// The configuration descriptor as the device sends it.
std::string Configuration(const FakeUsbCutterSettings& s) {
  const std::string hex = DescriptorsHex(s).substr(36);
  std::string bytes;
  for (std::size_t at = 0; at < hex.size(); at += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
  }
  return bytes;
}

// The setup packet of a control transfer that asks for the configuration descriptor.
bool AsksForConfiguration(const UMockdevIoctlData* buffer) {
  const auto* setup = reinterpret_cast<const unsigned char*>(buffer->data);
  return buffer->data_len >= 8 && setup[0] == 0x80 && setup[1] == 6 && setup[3] == 2;
}

}  // namespace

FakeUsbCutter::FakeUsbCutter(UmockdevBed& bed, FakeUsbCutterSettings settings)
    : bed_(bed),
      settings_(std::move(settings)),
      // Attached before the device appears, so an open right after the add works.
      handler_(bed_.AttachIoctl(Node(), &FakeUsbCutter::OnIoctl, this)) {
  const FakeUsbCutterSettings& s = settings_;
  bed_.Add("P: " + SysPath().substr(4) + "\nN: " + Node().substr(5) +
           "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n" +
           Format("E: BUSNUM=%03d\nE: DEVNUM=%03d\n", s.bus, s.address) + "E: DEVNAME=" + Node() +
           Format("\nA: busnum=%d\\n\nA: devnum=%d\\n\n", s.bus, s.address) +
           Format("A: idVendor=%04x\\n\nA: idProduct=%04x\\n\n", s.vendor, s.product) +
           "A: speed=480\\n\nA: bConfigurationValue=1\\n\nH: descriptors=" + DescriptorsHex(s) +
           "\n");
}

FakeUsbCutter::~FakeUsbCutter() {
  bed_.DetachIoctl(Node(), handler_);
  umockdev_testbed_remove_device(bed_.Get(), SysPath().c_str());
  for (std::deque<Urb>* queue : {&waiting_, &done_}) {
    for (Urb& urb : *queue) {
      umockdev_ioctl_data_unref(urb.buffer);
      umockdev_ioctl_data_unref(urb.urb);
    }
  }
}

std::string FakeUsbCutter::Node() const {
  return Format("/dev/bus/usb/%03d/%03d", settings_.bus, settings_.address);
}

std::string FakeUsbCutter::SysPath() const {
  return "/sys/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(settings_.bus) + "/" +
         std::to_string(settings_.bus) + "-" + settings_.ports;
}

std::string FakeUsbCutter::ExpectedPath() const {
  return Format("\\\\?\\usb#vid_%04x&pid_%04x#", settings_.vendor, settings_.product) +
         std::to_string(settings_.bus) + "-" + settings_.ports;
}

std::string FakeUsbCutter::NodeFile() const {
  return bed_.RootDir() + Node();
}

int FakeUsbCutter::OnIoctl(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client,
                           void* self) {
  auto& cutter = *static_cast<FakeUsbCutter*>(self);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const std::lock_guard<std::mutex> hold(cutter.lock_);
  Urb reaped;
  int error = 0;
  switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLAIMINTERFACE:
      error = !cutter.plugged_ ? ENODEV : cutter.refuseClaim_ ? EBUSY : 0;
      cutter.claimed_ = cutter.claimed_ || error == 0;
      break;
    case USBDEVFS_RELEASEINTERFACE:
      cutter.claimed_ = false;
      error = cutter.plugged_ ? 0 : ENODEV;
      break;
    case USBDEVFS_SUBMITURB:
      error = cutter.Submit(arg);
      break;
    case USBDEVFS_REAPURB:
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
  if (reaped.urb != nullptr) {
    umockdev_ioctl_data_unref(reaped.buffer);
    umockdev_ioctl_data_unref(reaped.urb);
  }
  return TRUE;
}

int FakeUsbCutter::Submit(UMockdevIoctlData* arg) {
  UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  const auto* urb = reinterpret_cast<const usbdevfs_urb*>(data->data);
  Urb entry{data,
            umockdev_ioctl_data_resolve(data, offsetof(usbdevfs_urb, buffer),
                                        static_cast<gsize>(urb->buffer_length), nullptr),
            (urb->endpoint & 0x80) != 0};
  const bool control = urb->type == USBDEVFS_URB_TYPE_CONTROL && AsksForConfiguration(entry.buffer);
  const bool bulk = urb->type == USBDEVFS_URB_TYPE_BULK &&
                    urb->endpoint == (entry.in ? settings_.inEndpoint : settings_.outEndpoint);
  if (!plugged_ || !(control || bulk)) {
    umockdev_ioctl_data_unref(entry.buffer);
    umockdev_ioctl_data_unref(entry.urb);
    return plugged_ ? EINVAL : ENODEV;
  }
  if (control) {
    // The answer goes after the setup packet, cut to the length asked for.
    const std::string answer = Configuration(settings_).substr(0, entry.buffer->data_len - 8);
    std::memcpy(entry.buffer->data + 8, answer.data(), answer.size());
    entry.actualLength = static_cast<int>(answer.size());
    done_.push_back(entry);
  } else if (entry.in) {
    waiting_.push_back(entry);
    MatchReplies();
  } else {
    Receive(entry, std::string(reinterpret_cast<const char*>(entry.buffer->data),
                               static_cast<std::size_t>(urb->buffer_length)));
  }
  return 0;
}

void FakeUsbCutter::Receive(Urb urb, const std::string& bytes) {
  if (vanishAfter_ && received_.size() + bytes.size() > *vanishAfter_) {
    // The device leaves while this write is on the wire: the bytes before that moment arrived.
    const std::size_t arrived = *vanishAfter_ - received_.size();
    received_ += bytes.substr(0, arrived);
    urb.actualLength = static_cast<int>(arrived);
    urb.status = -ENODEV;
    done_.push_back(urb);
    vanishAfter_.reset();
    Vanish();
  } else if (stallWrites_) {
    waiting_.push_back(urb);
  } else {
    received_ += bytes;
    urb.actualLength = static_cast<int>(bytes.size());
    done_.push_back(urb);
    const std::string reply = responder_ ? responder_(bytes) : std::string();
    if (!reply.empty()) replies_.push_back(reply);
    MatchReplies();
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
  claimed_ = false;
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
  ++discards_;
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

int FakeUsbCutter::ReadsInFlight() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return static_cast<int>(
      std::count_if(waiting_.begin(), waiting_.end(), [](const Urb& urb) { return urb.in; }));
}

}  // namespace orvex::test
