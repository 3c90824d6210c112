// The in-process umockdev testbed the fake USB cutter and HID feeder live in. It must exist
// before libusb or hidapi start, so that their udev enumeration and hot-plug monitor see its
// sysfs; the test program runs under umockdev-wrapper so the preload is there from the start.
#pragma once

#include <functional>
#include <string>

using UMockdevTestbed = struct _UMockdevTestbed;

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

  // False when the program was not started under umockdev-wrapper: then the libraries would see
  // the real machine, and the tests skip.
  static bool Mocking();

 private:
  UMockdevTestbed* bed_ = nullptr;
};

// Runs `action` as a user without the right to open `nodeFile` (made unreadable, and root's
// override of file modes dropped for the while), and restores both afterwards.
void AsUnprivilegedUser(const std::string& nodeFile, const std::function<void()>& action);

// Polls `condition` every millisecond until it holds or `timeoutMs` passes.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs);

}  // namespace orvex::test
