// Camera choice by product id and name, and the start and switch sequences over the port.
#include "vision/camera_control.h"

#include <gtest/gtest.h>

#include "support/manual_clock.h"
#include "support/memory_profile.h"

namespace orvex::test {
namespace {

CaptureDeviceInfo Usb(const char* pid, const char* name = "Cam") {
  return {std::string("\\\\?\\usb#vid_1234&pid_") + pid + "#5&abc&0&1", name};
}

TEST(FindCaptureDevice, ProductIdWhateverTheOrder) {
  const std::vector<CaptureDeviceInfo> devices = {Usb("6002"), Usb("6001")};
  EXPECT_EQ(FindCaptureDevice(devices, 0), 1U);
  EXPECT_EQ(FindCaptureDevice(devices, 1), 0U);
  EXPECT_EQ(devices[0].devicePath.substr(21, 4), "6002");
}

TEST(FindCaptureDevice, FallbackPassAndItsLimits) {
  // Fewer than four, none wanted: the fallback finds the named camera...
  EXPECT_EQ(FindCaptureDevice({Usb("1111"), Usb("2222", "USB 2.0 Camera"), Usb("3333")}, 0), 1U);
  // ...or takes the last one it examined.
  EXPECT_EQ(FindCaptureDevice({Usb("1111"), Usb("2222")}, 1), 1U);
  EXPECT_EQ(FindCaptureDevice({Usb("1111", "Other")}, 0), 0U);
  // Four or more and none of the first four wanted: the fourth, no fallback pass.
  EXPECT_EQ(
      FindCaptureDevice(
          {Usb("1111", "USB 2.0 Camera"), Usb("2222"), Usb("3333"), Usb("4444"), Usb("6001")}, 0),
      3U);
  EXPECT_FALSE(FindCaptureDevice({}, 0).has_value());
  // Short or missing paths never match by product id, and are never read beyond their end.
  EXPECT_EQ(FindCaptureDevice({{"usb#6001", "A"}, {"", "B"}, Usb("6001")}, 0), 2U);
  EXPECT_EQ(FindCaptureDevice({{"\\\\?\\usb#vid_1234&pid_600", "A"}}, 0), 0U);
}

class FakeSource : public FrameSource {
 public:
  std::vector<CaptureDeviceInfo> ListDevices() override { return devices; }
  int Start(const CaptureDeviceInfo& device, FrameSink&, int& w, int& h) override {
    log.push_back("start " + device.friendlyName);
    w = 640;
    h = 480;
    return startCode;
  }
  void Stop() override { log.push_back("stop"); }
  bool SetExposureToDefault() override {
    log.push_back("exposure default");
    return true;
  }
  bool ReadExposure(int& value) override {
    value = 3;
    log.push_back("exposure read");
    return true;
  }
  bool SetBrightness(int value) override {
    log.push_back("brightness " + std::to_string(value));
    return true;
  }
  std::vector<CaptureDeviceInfo> devices = {Usb("6001", "first"), Usb("6002", "second")};
  std::vector<std::string> log;
  int startCode = 0;
};

class FakeNotices : public CaptureNotices {
 public:
  void ShowError(std::string_view message) override { messages.emplace_back(message); }
  void EndProcess(int code) override { exitCode = code; }
  std::vector<std::string> messages;
  int exitCode = -1;
};

class NullPoster : public FrameReadyPoster {
 public:
  void PostFrameReady() override {}
};

struct Rig {
  FakeSource source;
  NullPoster poster;
  FrameBuffer buffer{poster};
  RunContext context;
  MemoryProfile profile;
  ManualClock clock;
  FakeNotices notices;
  std::vector<OffsetPair> reloads;
  CameraControl control{source, buffer, context, profile, clock, notices, [this](OffsetPair pair) {
                          reloads.push_back(pair);
                        }};
};

TEST(CameraControl, SwitchSequenceReloadsTheNewCamerasOffsets) {
  Rig rig;
  rig.profile.WriteInt(kProfileSection, "lum", 12);
  rig.profile.WriteInt(kProfileSection, "deltaXC2", 123);
  EXPECT_EQ(rig.control.SwitchCamera(1), 0);
  EXPECT_EQ(rig.source.log,
            (std::vector<std::string>{"stop", "start second", "exposure default", "brightness 12",
                                      "exposure read", "brightness -10"}));
  EXPECT_EQ(rig.clock.Sleeps(), std::vector<int>{100});
  EXPECT_EQ(rig.context.secondCamera, 1);
  EXPECT_EQ(rig.context.frameWidth, 640);
  ASSERT_EQ(rig.reloads.size(), 1U);
  EXPECT_EQ(rig.reloads[0], (OffsetPair{123, 99}));
}

TEST(CameraControl, NoDeviceEndsTheProcessAndShutdownStopsFirst) {
  Rig rig;
  rig.source.devices.clear();
  EXPECT_NE(rig.control.StartCapture(), 0);
  ASSERT_EQ(rig.notices.messages.size(), 1U);
  EXPECT_EQ(rig.notices.messages[0], kNoCameraMessage);
  EXPECT_EQ(rig.notices.exitCode, 0);

  Rig failing;
  failing.source.startCode = 5;
  EXPECT_EQ(failing.control.StartCapture(), 5);
  EXPECT_FALSE(failing.control.Running());
  EXPECT_EQ(failing.source.log, std::vector<std::string>{"start first"});  // no settings applied

  Rig running;
  running.control.StartCapture();
  running.buffer.RequestGrab();
  const std::vector<std::uint8_t> bytes(100, 1);
  running.buffer.OnFrame(0, bytes.data(), bytes.size());
  running.control.Shutdown();
  EXPECT_EQ(running.source.log.back(), "stop");
  EXPECT_EQ(running.buffer.Capacity(), 0U);
}

}  // namespace
}  // namespace orvex::test
