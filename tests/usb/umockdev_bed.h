// The in-process umockdev testbed the fake USB cutter and HID feeder live in. It must exist
// before libusb or hidapi start, so that their udev enumeration and hot-plug monitor see its
// sysfs; the test program runs under umockdev-wrapper so the preload is there from the start.
#pragma once

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

inline long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count());
}

}  // namespace orvex::test
