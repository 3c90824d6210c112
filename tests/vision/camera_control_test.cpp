// Camera choice by product id and name, and the start and switch sequences over the port.
#include "vision/camera_control.h"

#include <gtest/gtest.h>

#include "support/manual_clock.h"
#include "support/memory_profile.h"
#include "vision_test_support.h"

namespace orvex::test {
namespace {

CaptureDeviceInfo Usb(const char* pid, const char* name = "Cam") {
  return {std::string("\\\\?\\usb#vid_1234&pid_") + pid + "#5&abc&0&1", name};
}

// The first pass looks at up to four devices for the product id (6001, or 6002 for the second
// camera); with fewer than four a second pass looks for the fallback name; either pass ends on
// the last device it examined.
TEST(FindCaptureDevice, ProductIdThenTheFallbackName) {
  const CaptureDeviceInfo named = Usb("2222", "USB 2.0 Camera");
  using Case =
      std::tuple<const char*, int, std::optional<std::size_t>, std::vector<CaptureDeviceInfo>>;
  const Case cases[] = {
      {"first camera", 0, 1, {Usb("6002"), Usb("6001")}},
      {"second camera", 1, 0, {Usb("6002"), Usb("6001")}},
      {"the fallback name", 0, 1, {Usb("1111"), named, Usb("3333")}},
      {"the last one examined", 1, 1, {Usb("1111"), Usb("2222")}},
      {"no fallback pass from four on", 0, 3, {named, Usb("2"), Usb("3"), Usb("4"), Usb("6001")}},
      {"none", 0, std::nullopt, {}},
      {"short paths never match", 0, 2, {{"usb#6001", "A"}, {"", "B"}, Usb("6001")}},
      {"a path one short of the id", 0, 0, {{"\\\\?\\usb#vid_1234&pid_600", "A"}}},
  };
  for (const auto& [what, secondCamera, chosen, devices] : cases) {
    EXPECT_EQ(FindCaptureDevice(devices, secondCamera), chosen) << what;
  }
}

class FakeSource : public FrameSource, public CaptureNotices {
 public:
  std::vector<CaptureDeviceInfo> ListDevices() override { return devices; }
  int Start(const CaptureDeviceInfo& device, FrameSink&, int& w, int& h) override {
    w = 640, h = 480;
    return Say("start " + device.friendlyName), startCode;
  }
  void Stop() override { log.push_back("stop"); }
  bool SetExposureToDefault() override { return Say("exposure default"); }
  bool ReadExposure(int& value) override { return value = 3, Say("exposure read"); }
  bool SetBrightness(int value) override { return Say("brightness " + std::to_string(value)); }
  void ShowError(std::string_view message) override { Say("error " + std::string(message)); }
  void EndProcess(int code) override { Say("exit " + std::to_string(code)); }
  bool Say(const std::string& what) { return log.push_back(what), true; }

  std::vector<CaptureDeviceInfo> devices = {Usb("6001", "first"), Usb("6002", "second")};
  std::vector<std::string> log;
  int startCode = 0;
};

struct Rig {
  FakeSource source;
  CountingPoster poster;
  FrameBuffer buffer{poster};
  RunContext context;
  MemoryProfile profile;
  ManualClock clock;
  std::vector<OffsetPair> reloads;
  CameraControl control{source, buffer, context, profile, clock, source, [this](OffsetPair pair) {
                          reloads.push_back(pair);
                        }};
};

// Each camera has its own pair under its own keys, with defaults of its own.
TEST(CameraControl, SwitchSequenceReloadsTheNewCamerasOffsets) {
  Rig rig;
  rig.profile.WriteInt(kProfileSection, "lum", 12);
  rig.profile.WriteInt(kProfileSection, "deltaX", 85);
  rig.profile.WriteInt(kProfileSection, "deltaYC2", 90);
  EXPECT_EQ(rig.control.SwitchCamera(1), 0);
  EXPECT_EQ(rig.source.log,
            (std::vector<std::string>{"stop", "start second", "exposure default", "brightness 12",
                                      "exposure read", "brightness -10"}));
  EXPECT_EQ(rig.clock.Sleeps(), std::vector<int>{100});
  EXPECT_EQ(rig.context.secondCamera, 1);
  EXPECT_EQ(rig.context.frameWidth, 640);
  rig.source.log.clear();
  EXPECT_EQ(rig.control.SwitchCamera(0), 0);
  EXPECT_EQ(rig.source.log[1], "start first");
  EXPECT_EQ(rig.reloads, (std::vector<OffsetPair>{{110, 90}, {85, 99}}));
}

TEST(CameraControl, NoDeviceEndsTheProcessAFailedStartSetsNothingAndShutdownStopsFirst) {
  Rig none;
  none.source.devices.clear();
  EXPECT_NE(none.control.StartCapture(), 0);
  EXPECT_EQ(none.source.log,
            (std::vector<std::string>{"error " + std::string(kNoCameraMessage), "exit 0"}));
  Rig failing;
  failing.source.startCode = 5;
  EXPECT_EQ(failing.control.StartCapture(), 5);
  EXPECT_FALSE(failing.control.Running());
  EXPECT_EQ(failing.source.log, std::vector<std::string>{"start first"});

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
