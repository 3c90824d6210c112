// The fake USB cutter: its sysfs entry and descriptors, and usbdevfs played over umockdev.
#include "usb/fake_usb_cutter.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace orvex::test {
namespace {

std::string Hex(const std::vector<int>& bytes) {
  std::string text;
  char pair[4];
  for (int byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", byte & 0xff);
    text += pair;
  }
  return text;
}

// Device descriptor, then one configuration with one interface of a bulk OUT and a bulk IN.
std::vector<int> Descriptors(const FakeUsbCutterSettings& s) {
  const int packetLow = s.maxPacket & 0xff;
  const int packetHigh = (s.maxPacket >> 8) & 0xff;
  return {
      0x12,
      0x01,
      0x00,
      0x02,
      0x00,
      0x00,
      0x00,
      0x40,  // USB 2.0
      s.vendor & 0xff,
      s.vendor >> 8,
      s.product & 0xff,
      s.product >> 8,  // ids
      0x00,
      0x01,
      0x00,
      0x00,
      0x00,
      0x01,  // 1 config
      0x09,
      0x02,
      0x20,
      0x00,
      0x01,
      0x01,
      0x00,
      0xc0,
      0x32,  // config
      0x09,
      0x04,
      s.interfaceNumber,
      0x00,
      0x02,
      0x07,
      0x01,
      0x02,
      0x00,  // printer
      0x07,
      0x05,
      s.outEndpoint,
      0x02,
      packetLow,
      packetHigh,
      0x00,  // bulk OUT
      0x07,
      0x05,
      s.inEndpoint,
      0x02,
      packetLow,
      packetHigh,
      0x00,  // bulk IN
  };
}

std::string ThreeDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%03d", value);
  return text;
}

}  // namespace

FakeUsbCutter::FakeUsbCutter(UmockdevBed& bed, FakeUsbCutterSettings settings)
    : bed_(bed), settings_(std::move(settings)), handler_(umockdev_ioctl_base_new()) {
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&FakeUsbCutter::OnIoctl), this);
  const std::string bus = ThreeDigits(settings_.bus);
  const std::string address = ThreeDigits(settings_.address);
  const std::string node = "/dev/bus/usb/" + bus + "/" + address;
  // The handler is attached before the device appears, so an open right after the add works.
  GError* error = nullptr;
  umockdev_testbed_attach_ioctl(bed_.Get(), node.c_str(), handler_, &error);
  g_clear_error(&error);
  char ids[32];
  std::snprintf(ids, sizeof ids, "%04x", settings_.vendor);
  const std::string vendor = ids;
  std::snprintf(ids, sizeof ids, "%04x", settings_.product);
  const std::string product = ids;
  bed_.Add("P: " + SysPath().substr(4) + "\n" +  // without "/sys"
           "N: bus/usb/" + bus + "/" + address + "\n" +
           "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
           "E: BUSNUM=" +
           bus + "\nE: DEVNUM=" + address + "\nE: DEVNAME=" + node + "\n" +
           "A: busnum=" + std::to_string(settings_.bus) + "\\n\n" +
           "A: devnum=" + std::to_string(settings_.address) + "\\n\n" + "A: idVendor=" + vendor +
           "\\n\nA: idProduct=" + product + "\\n\n" +
           "A: speed=480\\n\nA: bConfigurationValue=1\\n\n" +
           "H: descriptors=" + Hex(Descriptors(settings_)) + "\n");
}

FakeUsbCutter::~FakeUsbCutter() {
  const std::string node =
      "/dev/bus/usb/" + ThreeDigits(settings_.bus) + "/" + ThreeDigits(settings_.address);
  GError* error = nullptr;
  umockdev_testbed_detach_ioctl(bed_.Get(), node.c_str(), &error);
  g_clear_error(&error);
  umockdev_testbed_remove_device(bed_.Get(), SysPath().c_str());
  {
    const std::lock_guard<std::mutex> hold(lock_);
    for (std::deque<Urb>* queue : {&waiting_, &done_}) {
      for (Urb& urb : *queue) {
        umockdev_ioctl_data_unref(urb.buffer);
        umockdev_ioctl_data_unref(urb.urb);
      }
      queue->clear();
    }
  }
  g_object_unref(handler_);
}

std::string FakeUsbCutter::SysPath() const {
  return "/sys/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(settings_.bus) + "/" +
         std::to_string(settings_.bus) + "-" + settings_.ports;
}

std::string FakeUsbCutter::ExpectedPath() const {
  char ids[40];
  std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", settings_.vendor, settings_.product);
  return std::string("\\\\?\\usb#") + ids + "#" + std::to_string(settings_.bus) + "-" +
         settings_.ports;
}

std::string FakeUsbCutter::NodeFile() const {
  return bed_.RootDir() + "/dev/bus/usb/" + ThreeDigits(settings_.bus) + "/" +
         ThreeDigits(settings_.address);
}

int FakeUsbCutter::OnIoctl(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client,
                           void* self) {
  return static_cast<FakeUsbCutter*>(self)->HandleIoctl(client) ? TRUE : FALSE;
}

bool FakeUsbCutter::HandleIoctl(UMockdevIoctlClient* client) {
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
      *reinterpret_cast<guint32*>(caps->data) =
          USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
          USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
      umockdev_ioctl_data_unref(caps);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLAIMINTERFACE: {
      const std::lock_guard<std::mutex> hold(lock_);
      if (!plugged_) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
      } else if (refuseClaim_) {
        umockdev_ioctl_client_complete(client, -1, EBUSY);
      } else {
        claimed_ = true;
        ++claims_;
        umockdev_ioctl_client_complete(client, 0, 0);
      }
      return true;
    }
    case USBDEVFS_RELEASEINTERFACE: {
      const std::lock_guard<std::mutex> hold(lock_);
      claimed_ = false;
      umockdev_ioctl_client_complete(client, plugged_ ? 0 : -1, plugged_ ? 0 : ENODEV);
      return true;
    }
    case USBDEVFS_IOCTL:  // giving the interface back to a kernel driver: there is none
      umockdev_ioctl_client_complete(client, -1, ENODATA);
      return true;
    case USBDEVFS_CLEAR_HALT:
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    case USBDEVFS_SUBMITURB:
      Submit(client);
      return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      Reap(client);
      return true;
    case USBDEVFS_DISCARDURB:
      Discard(client);
      return true;
    default:
      return false;
  }
}

void FakeUsbCutter::Submit(UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
  const auto* urb = reinterpret_cast<const usbdevfs_urb*>(urbData->data);
  UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
      urbData, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
  const bool in = (urb->endpoint & 0x80) != 0;
  const unsigned char expected = in ? settings_.inEndpoint : settings_.outEndpoint;

  std::unique_lock<std::mutex> hold(lock_);
  if (!plugged_ || urb->type != USBDEVFS_URB_TYPE_BULK || urb->endpoint != expected) {
    const int error = !plugged_ ? ENODEV : EINVAL;
    hold.unlock();
    umockdev_ioctl_data_unref(buffer);
    umockdev_ioctl_data_unref(urbData);
    umockdev_ioctl_client_complete(client, -1, error);
    return;
  }
  Urb entry{urbData, buffer, in, 0, 0};
  if (in) {
    waiting_.push_back(entry);
    MatchRepliesLocked();
  } else {
    std::string bytes(reinterpret_cast<const char*>(buffer->data),
                      static_cast<std::size_t>(urb->buffer_length));
    if (vanishAtByte_ && received_.size() + bytes.size() >= *vanishAtByte_) {
      // The device leaves while this write is on the wire: the bytes before that one arrived.
      const std::size_t arrived =
          *vanishAtByte_ - 1 - std::min(*vanishAtByte_ - 1, received_.size());
      received_ += bytes.substr(0, arrived);
      entry.actualLength = static_cast<int>(arrived);
      entry.status = -ENODEV;
      done_.push_back(entry);
      vanishAtByte_.reset();
      plugged_ = false;
      claimed_ = false;
      EndAllLocked(-ENODEV);
    } else if (stallWrites_) {
      waiting_.push_back(entry);
    } else {
      received_ += bytes;
      entry.actualLength = urb->buffer_length;
      done_.push_back(entry);
      if (responder_) {
        std::string reply = responder_(bytes);
        if (!reply.empty()) replies_.push_back(std::move(reply));
        MatchRepliesLocked();
      }
    }
  }
  hold.unlock();
  umockdev_ioctl_client_complete(client, 0, 0);
}

void FakeUsbCutter::MatchRepliesLocked() {
  for (auto it = waiting_.begin(); it != waiting_.end() && !replies_.empty();) {
    if (!it->in) {
      ++it;
      continue;
    }
    const std::string& reply = replies_.front();
    const std::size_t length =
        std::min(reply.size(), static_cast<std::size_t>(it->buffer->data_len));
    std::memcpy(it->buffer->data, reply.data(), length);
    it->actualLength = static_cast<int>(length);
    replies_.pop_front();
    done_.push_back(*it);
    it = waiting_.erase(it);
  }
}

void FakeUsbCutter::EndAllLocked(int status) {
  for (Urb& urb : waiting_) {
    urb.status = status;
    urb.actualLength = 0;
    done_.push_back(urb);
  }
  waiting_.clear();
}

void FakeUsbCutter::Reap(UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  std::unique_lock<std::mutex> hold(lock_);
  if (done_.empty()) {
    const int error = plugged_ ? EAGAIN : ENODEV;
    hold.unlock();
    umockdev_ioctl_client_complete(client, -1, error);
    return;
  }
  const Urb urb = done_.front();
  done_.pop_front();
  hold.unlock();

  auto* header = reinterpret_cast<usbdevfs_urb*>(urb.urb->data);
  header->status = urb.status;
  header->actual_length = urb.actualLength;
  UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
  umockdev_ioctl_data_set_ptr(slot, 0, urb.urb);
  umockdev_ioctl_data_unref(slot);
  umockdev_ioctl_client_complete(client, 0, 0);
  umockdev_ioctl_data_unref(urb.buffer);
  umockdev_ioctl_data_unref(urb.urb);
}

void FakeUsbCutter::Discard(UMockdevIoctlClient* client) {
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
  std::unique_lock<std::mutex> hold(lock_);
  const auto it = std::find_if(waiting_.begin(), waiting_.end(), [address](const Urb& urb) {
    return urb.urb->client_addr == address;
  });
  if (it == waiting_.end()) {
    hold.unlock();
    umockdev_ioctl_client_complete(client, -1, EINVAL);
    return;
  }
  Urb urb = *it;
  waiting_.erase(it);
  urb.status = -ENOENT;
  urb.actualLength = 0;
  done_.push_back(urb);
  ++discards_;
  hold.unlock();
  umockdev_ioctl_client_complete(client, 0, 0);
}

void FakeUsbCutter::Reply(const std::string& bytes) {
  const std::lock_guard<std::mutex> hold(lock_);
  replies_.push_back(bytes);
  MatchRepliesLocked();
}

void FakeUsbCutter::SetResponder(std::function<std::string(const std::string&)> responder) {
  const std::lock_guard<std::mutex> hold(lock_);
  responder_ = std::move(responder);
}

void FakeUsbCutter::StallWrites(bool stall) {
  const std::lock_guard<std::mutex> hold(lock_);
  stallWrites_ = stall;
}

void FakeUsbCutter::RefuseClaim(bool refuse) {
  const std::lock_guard<std::mutex> hold(lock_);
  refuseClaim_ = refuse;
}

void FakeUsbCutter::UnplugAfterBytes(std::size_t count) {
  const std::lock_guard<std::mutex> hold(lock_);
  vanishAtByte_ = received_.size() + std::max<std::size_t>(count, 1);
}

void FakeUsbCutter::Unplug() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    plugged_ = false;
    claimed_ = false;
    replies_.clear();
    EndAllLocked(-ENODEV);
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

std::string FakeUsbCutter::Received() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return received_;
}

int FakeUsbCutter::ReadsInFlight() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return static_cast<int>(
      std::count_if(waiting_.begin(), waiting_.end(), [](const Urb& urb) { return urb.in; }));
}

int FakeUsbCutter::Discards() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return discards_;
}

bool FakeUsbCutter::Claimed() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return claimed_;
}

int FakeUsbCutter::Claims() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return claims_;
}

}  // namespace orvex::test
