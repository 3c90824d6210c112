// A fake USB cutter in the umockdev testbed: a device of the chosen vendor and product on bus 1
// at a hub port, whose one interface (number 1, bulk OUT 0x03 and IN 0x84 of 512 bytes, so that
// nothing can pass by assuming the usual numbers) is in its descriptors and is sent for the
// configuration request; the kernel's usbdevfs side (claim, release, URB submit, reap, discard)
// is played in an ioctl handler. It keeps every byte written to it, answers IN transfers with
// the replies queued, and can stall, refuse the claim, vanish in the middle of a write, and be
// unplugged and plugged back in.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "usb/umockdev_bed.h"

using UMockdevIoctlData = struct _UMockdevIoctlData;

namespace orvex::test {

struct FakeUsbCutterSettings {
  int vendor = 0x0b4d;
  int product = 0x1130;
  std::string ports = "2";  // the hub port chain: "2", "1.4"
  int address = 2;
};

class FakeUsbCutter {
 public:
  // The device is added to `bed` at once (plugged in).
  FakeUsbCutter(UmockdevBed& bed, FakeUsbCutterSettings settings = {});
  ~FakeUsbCutter();
  FakeUsbCutter(const FakeUsbCutter&) = delete;
  FakeUsbCutter& operator=(const FakeUsbCutter&) = delete;

  // The path the transport should give this device, and its node inside the testbed.
  std::string ExpectedPath() const;
  std::string NodeFile() const { return bed_.RootDir() + Node(); }

  // Queues a reply for the IN endpoint; it completes the read outstanding, or the next one.
  void Reply(const std::string& bytes);
  // The device goes away while the write that makes `count` more bytes arrive is under way.
  void UnplugAfterBytes(std::size_t count);
  // Outstanding transfers end with ENODEV, further requests fail, and udev says "remove".
  void Unplug();
  // udev says "add" again: the same bus and port, so the same path.
  void Plug();

  std::string Received();

  // OUT transfers are taken but never completed until the host cancels them.
  std::atomic<bool> stallWrites = false;
  // OUT transfers complete after this many of their bytes, as from a device that took no more.
  std::atomic<std::size_t> takeAtMost = SIZE_MAX;
  // Refuses the claim as another program holding the interface would.
  std::atomic<bool> refuseClaim = false;
  std::atomic<bool> claimed = false;
  std::atomic<int> discards = 0;  // transfers the host cancelled

 private:
  struct Urb {
    UMockdevIoctlData* urb = nullptr;     // the host's usbdevfs_urb, referenced
    UMockdevIoctlData* buffer = nullptr;  // its data buffer, referenced
    bool in = false;
    int status = 0;
    int actualLength = 0;
  };

  static int OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
  // The usbdevfs requests, each giving the errno it fails with or 0 (the lock held).
  int Claim();
  int Submit(UMockdevIoctlData* arg);
  int Reap(UMockdevIoctlData* arg, Urb& reaped);
  int Discard(UMockdevIoctlData* arg);
  void Receive(Urb urb);  // an OUT transfer's bytes arrive
  void MatchReplies();    // waiting IN transfers answered while replies are queued
  void Vanish();          // every outstanding transfer ends with ENODEV
  std::string Node() const;
  std::string SysPath() const;

  UmockdevBed& bed_;
  FakeUsbCutterSettings settings_;
  UMockdevIoctlBase* handler_ = nullptr;

  std::mutex lock_;
  bool plugged_ = true;
  std::optional<std::size_t> vanishAfter_;  // the bytes ever received that arrive before it goes
  std::string received_;
  std::deque<std::string> replies_;
  std::deque<Urb> waiting_;  // submitted, not answered
  std::deque<Urb> done_;     // answered, to be reaped
};

}  // namespace orvex::test
