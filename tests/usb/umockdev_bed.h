// The in-process umockdev testbed the fake USB cutter and HID feeder live in. It must exist
// before libusb or hidapi start, so that their udev enumeration and hot-plug monitor see its
// sysfs; the test program runs under umockdev-wrapper so the preload is there from the start.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

using UMockdevTestbed = struct _UMockdevTestbed;
using UMockdevIoctlBase = struct _UMockdevIoctlBase;
using UMockdevIoctlClient = struct _UMockdevIoctlClient;

namespace orvex::test {

class UmockdevBed {
 public:
  UmockdevBed();
  ~UmockdevBed();
  UmockdevBed(const UmockdevBed&) = delete;
  UmockdevBed& operator=(const UmockdevBed&) = delete;

  UMockdevTestbed* Get() const { return bed_; }
  // Where the testbed keeps its fake /dev and /sys.
  std::string RootDir() const;
  // Adds devices from umockdev's text format ("P:", "N:", "E:", "A:", "H:" lines).
  void Add(const std::string& description);
  void Uevent(const std::string& sysPath, const char* action);
  // Answers the ioctls on the device node `node` (as in "/dev/hidraw0") with `onIoctl`, called
  // with `self`; it returns false for a request the kernel would refuse.
  using IoctlHandler = int (*)(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
  UMockdevIoctlBase* AttachIoctl(const std::string& node, IoctlHandler onIoctl, void* self);
  void DetachIoctl(const std::string& node, UMockdevIoctlBase* handler);

  // False when the program was not started under umockdev-wrapper: then the libraries would see
  // the real machine, and the tests skip.
  static bool Mocking();

 private:
  UMockdevTestbed* bed_ = nullptr;
};

// Runs `action` as a user without the right to open `nodeFile` (made unreadable, and root's
// override of file modes dropped for the while), and restores both afterwards.
void AsUnprivilegedUser(const std::string& nodeFile, const std::function<void()>& action);

// printf's formatting of one or two numbers, as sysfs and device paths write them.
std::string Format(const char* format, int a, int b = 0);

// The sysfs path of the USB device at the hub port chain `ports` ("2", "1.4") on bus 1.
inline std::string UsbSysPath(const std::string& ports) {
  return "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + ports;
}

// Whether `action` took at least `atLeastMs` and less than `lessThanMs` milliseconds.
template <typename Action>
::testing::AssertionResult Takes(long atLeastMs, long lessThanMs, Action&& action) {
  const auto start = std::chrono::steady_clock::now();
  action();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
  if (took >= atLeastMs && took < lessThanMs) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "took " << took << " ms";
}

}  // namespace orvex::test
