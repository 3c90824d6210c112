// The fake HID feeder: its sysfs chain and report descriptor, the descriptor-size ioctl, and
// the pseudo-terminal that stands in for its reports.
#include "usb/fake_hid_feeder.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/ioctl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace orvex::test {
namespace {

// One application collection of the given usage, 64-byte input and output reports, no ids.
std::string ReportDescriptor(int page, int usage) {
  char text[128];
  std::snprintf(text, sizeof text,
                "06%02x%02x0a%02x%02xa101750815002600ff954009018102954009029102c0", page & 0xff,
                page >> 8, usage & 0xff, usage >> 8);
  return text;
}

}  // namespace

FakeHidFeeder::FakeHidFeeder(UmockdevBed& bed, FakeHidFeederSettings settings)
    : bed_(bed),
      settings_(std::move(settings)),
      handler_(bed_.AttachIoctl(Node(), &FakeHidFeeder::OnIoctl, this)) {
  const FakeHidFeederSettings& s = settings_;
  const std::string descriptor = ReportDescriptor(s.usagePage, s.usage);
  descriptorSize_ = static_cast<int>(descriptor.size() / 2);
  // The chain hidapi walks, the sysfs paths without their "/sys".
  bed_.Add(
      "P: " + UsbSysPath(settings_.ports).substr(4) +
      "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n" +
      Format("A: idVendor=%04x\\n\nA: idProduct=%04x\\n\n\n", s.vendor, s.product) +
      "P: " + InterfaceSysPath().substr(4) +
      "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\\n\n\nP: " +
      HidSysPath().substr(4) + "\nE: SUBSYSTEM=hid\n" +
      Format("E: HID_ID=0003:%08X:%08X\n", s.vendor, s.product) +
      "E: HID_NAME=Sheet feeder\nE: HID_UNIQ=F0001\nH: report_descriptor=" + descriptor +
      "\n\nP: " + HidrawSysPath().substr(4) +
      Format("\nN: hidraw%d\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/hidraw%d\n", s.hidraw, s.hidraw) +
      "L: device=../../\n");
}

FakeHidFeeder::~FakeHidFeeder() {
  bed_.DetachIoctl(Node(), handler_);
  Unplug();
}

std::string FakeHidFeeder::InterfaceSysPath() const {
  return UsbSysPath(settings_.ports) + "/1-" + settings_.ports + ":1.0";
}

std::string FakeHidFeeder::HidSysPath() const {
  return InterfaceSysPath() + Format("/0003:%04X:%04X.", settings_.vendor, settings_.product) +
         Format("%04X", settings_.hidraw + 1);
}

std::string FakeHidFeeder::HidrawSysPath() const {
  return HidSysPath() + "/hidraw/hidraw" + std::to_string(settings_.hidraw);
}

int FakeHidFeeder::OnIoctl(UMockdevIoctlBase* /*handler*/, UMockdevIoctlClient* client,
                           void* self) {
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  if (request != HIDIOCGRDESCSIZE) return FALSE;
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  UMockdevIoctlData* size = umockdev_ioctl_data_resolve(arg, 0, sizeof(int), nullptr);
  *reinterpret_cast<int*>(size->data) = static_cast<FakeHidFeeder*>(self)->descriptorSize_;
  umockdev_ioctl_data_unref(size);
  umockdev_ioctl_client_complete(client, 0, 0);
  return TRUE;
}

std::string FakeHidFeeder::Take(std::size_t count, int timeoutMs) {
  const int fd = umockdev_testbed_get_dev_fd(bed_.Get(), Node().c_str());
  std::string taken;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (taken.size() < count || count == 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    pollfd ready{fd, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(std::max<long>(0, left))) <= 0) break;
    char chunk[4096];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got <= 0) break;
    taken.append(chunk, static_cast<std::size_t>(got));
  }
  return taken;
}

void FakeHidFeeder::Send(const std::string& bytes) {
  const int fd = umockdev_testbed_get_dev_fd(bed_.Get(), Node().c_str());
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + sent, bytes.size() - sent);
    if (wrote <= 0) return;
    sent += static_cast<std::size_t>(wrote);
  }
}

void FakeHidFeeder::Clog() {
  const int fd = ::open(NodeFile().c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  // The terminal moves written bytes on into its line buffer a little later, making room
  // again: write until it stays full.
  const std::string filler(256, 'x');
  pollfd writable{fd, POLLOUT, 0};
  do {
    while (::write(fd, filler.data(), filler.size()) > 0) {
    }
  } while (::poll(&writable, 1, 20) > 0);
  ::close(fd);
}

void FakeHidFeeder::Unplug() {
  if (!plugged_) return;
  plugged_ = false;
  bed_.Uevent(HidrawSysPath(), "remove");
  // The terminal's other end closes, as the kernel hangs up a hidraw node whose device left;
  // the descriptor number stays valid (on /dev/null) for the testbed to close later.
  const int master = umockdev_testbed_get_dev_fd(bed_.Get(), Node().c_str());
  const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (master >= 0 && null >= 0) ::dup2(null, master);
  if (null >= 0) ::close(null);
  for (const std::string& sys :
       {HidrawSysPath(), HidSysPath(), InterfaceSysPath(), UsbSysPath(settings_.ports)}) {
    umockdev_testbed_remove_device(bed_.Get(), sys.c_str());
  }
  ::unlink(NodeFile().c_str());
}

}  // namespace orvex::test
