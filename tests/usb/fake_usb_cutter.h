// A fake USB cutter in the umockdev testbed: a device of the chosen vendor and product on a bus
// and port, with one interface of bulk OUT and IN endpoints in its descriptors (in sysfs, and
// sent for the configuration request), and the kernel's usbdevfs side played in an ioctl
// handler (capabilities, claim and release, URB submit, reap and discard). It keeps every byte
// written to it, answers an IN transfer with the replies the test queues (or its responder makes
// from what it was written), and can stall, deny access, vanish in the middle of a write, and be
// unplugged and plugged back in.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "usb/umockdev_bed.h"

using UMockdevIoctlData = struct _UMockdevIoctlData;

namespace orvex::test {

struct FakeUsbCutterSettings {
  int vendor = 0x0b4d;
  int product = 0x1130;
  int bus = 1;
  std::string ports = "2";  // the hub port chain: "2", "1.4"
  int address = 2;
  int interfaceNumber = 0;
  unsigned char outEndpoint = 0x01;
  unsigned char inEndpoint = 0x82;
  int maxPacket = 64;
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
  std::string NodeFile() const;

  // Queues a reply for the IN endpoint; it completes the read outstanding, or the next one.
  void Reply(const std::string& bytes);
  // Called with every write's bytes; a non-empty result is queued as a reply.
  void SetResponder(std::function<std::string(const std::string&)> responder) {
    Set(responder_, std::move(responder));
  }
  // OUT transfers are taken but never completed until the host cancels them.
  void StallWrites(bool stall) { Set(stallWrites_, stall); }
  // Refuses the claim as another program holding the interface would.
  void RefuseClaim(bool refuse) { Set(refuseClaim_, refuse); }
  // The device goes away while the write that makes `count` more bytes arrive is under way.
  void UnplugAfterBytes(std::size_t count);

  // Outstanding transfers end with ENODEV, further requests fail, and udev says "remove".
  void Unplug();
  // udev says "add" again: the same bus and port, so the same path.
  void Plug();

  std::string Received() const { return Get(received_); }
  int ReadsInFlight() const;  // IN transfers submitted and not yet answered or cancelled
  int Discards() const { return Get(discards_); }
  bool Claimed() const { return Get(claimed_); }

 private:
  template <typename T>
  T Get(const T& field) const {
    const std::lock_guard<std::mutex> hold(lock_);
    return field;
  }
  template <typename T>
  void Set(T& field, T value) {
    const std::lock_guard<std::mutex> hold(lock_);
    field = std::move(value);
  }

  struct Urb {
    UMockdevIoctlData* urb = nullptr;     // the host's usbdevfs_urb, referenced
    UMockdevIoctlData* buffer = nullptr;  // its data buffer, referenced
    bool in = false;
    int status = 0;
    int actualLength = 0;
  };

  static int OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
  // The usbdevfs requests, each giving the errno it fails with or 0 (the lock held).
  int Submit(UMockdevIoctlData* arg);
  int Reap(UMockdevIoctlData* arg, Urb& reaped);
  int Discard(UMockdevIoctlData* arg);
  void Receive(Urb urb, const std::string& bytes);  // an OUT transfer's bytes arrive
  // Moves waiting IN transfers to the reap queue while replies are queued.
  void MatchReplies();
  // Gone from the bus: every outstanding transfer ends with ENODEV.
  void Vanish();
  std::string Node() const;
  std::string SysPath() const;

  UmockdevBed& bed_;
  FakeUsbCutterSettings settings_;
  UMockdevIoctlBase* handler_ = nullptr;

  mutable std::mutex lock_;
  bool plugged_ = true;
  bool stallWrites_ = false;
  bool refuseClaim_ = false;
  bool claimed_ = false;
  int discards_ = 0;
  std::optional<std::size_t> vanishAfter_;  // the bytes ever received that arrive before it goes
  std::string received_;
  std::deque<std::string> replies_;
  std::deque<Urb> waiting_;  // submitted, not answered
  std::deque<Urb> done_;     // answered, to be reaped
  std::function<std::string(const std::string&)> responder_;
};

}  // namespace orvex::test
