// A fake HID sheet feeder in the umockdev testbed: the chain hidapi walks (usb_device,
// usb_interface, hid with its report descriptor, hidraw node) for a device of the chosen ids and
// usage, with the report-descriptor size ioctl answered. The node is a pseudo-terminal: what the
// host writes can be read off its other end, and what the fake writes there is what the host
// reads, with real poll() and time limits (report boundaries are not kept).
#pragma once

#include <cstddef>
#include <string>

#include "usb/umockdev_bed.h"

namespace orvex::test {

struct FakeHidFeederSettings {
  int vendor = 0x16C0;
  int product = 0x0486;
  int usagePage = 0xFFAB;
  int usage = 0x0200;
  std::string ports = "3";  // the hub port chain of the USB device
  int hidraw = 0;           // /dev/hidraw<n>
};

class FakeHidFeeder {
 public:
  FakeHidFeeder(UmockdevBed& bed, FakeHidFeederSettings settings = {});
  ~FakeHidFeeder();
  FakeHidFeeder(const FakeHidFeeder&) = delete;
  FakeHidFeeder& operator=(const FakeHidFeeder&) = delete;

  // The node as hidapi lists it, and the file behind it.
  std::string Node() const { return "/dev/hidraw" + std::to_string(settings_.hidraw); }
  std::string NodeFile() const { return bed_.RootDir() + Node(); }

  // The bytes the host has written, waiting up to `timeoutMs` for at least `count` of them.
  std::string Take(std::size_t count, int timeoutMs);
  // Sends bytes to the host, as the feeder's reports.
  void Send(const std::string& bytes);
  // Fills the node's buffer from the host's side until it takes no more: the next write
  // cannot go out until the fake reads (Take) again.
  void Clog();
  // The device goes away: udev says "remove", the node hangs up and the chain is removed.
  void Unplug();

 private:
  static int OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
  std::string InterfaceSysPath() const;
  std::string HidSysPath() const;
  std::string HidrawSysPath() const;

  UmockdevBed& bed_;
  FakeHidFeederSettings settings_;
  UMockdevIoctlBase* handler_ = nullptr;
  int descriptorSize_ = 0;
  bool plugged_ = true;
};

}  // namespace orvex::test
