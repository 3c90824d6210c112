// V4l2FrameSource through the real libv4l2 over a played YUYV-only USB camera: the listing from
// a sysfs tree, 640x480 BGR24 frames bottom row first, the controls, and an unplug mid-stream.
#include "platform/v4l2_frame_source.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "support/temp_dir.h"
#include "usb/log_capture.h"
#include "v4l2/fake_v4l2_camera.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;
using test::FakeV4l2Camera;

class CollectingSink : public FrameSink {
 public:
  void OnFrame(double seconds, const std::uint8_t* bytes, std::size_t length) override {
    const std::lock_guard<std::mutex> hold(lock_);
    times_.push_back(seconds);
    last_.assign(bytes, bytes + length);
    arrived_.notify_all();
  }
  // The frames' times once `frames` have come (or 5 s have passed), and the last frame.
  std::vector<double> WaitFor(std::size_t frames, std::vector<std::uint8_t>* last = nullptr) {
    std::unique_lock<std::mutex> hold(lock_);
    arrived_.wait_for(hold, 5s, [&] { return times_.size() >= frames; });
    if (last != nullptr) *last = last_;
    return times_;
  }

 private:
  std::mutex lock_;
  std::condition_variable arrived_;
  std::vector<double> times_;
  std::vector<std::uint8_t> last_;
};

// A sysfs tree with the camera's picture node video0 and metadata node video1 under one USB
// device 0c45:6001, and a video2 whose node cannot be opened.
class V4l2FrameSourceTest : public ::testing::Test {
 protected:
  V4l2FrameSourceTest()
      : camera_((dir_.Path() / "dev/video0").string(), (dir_.Path() / "dev/video1").string()),
        source_((dir_.Path() / "sys").string(), (dir_.Path() / "dev").string()) {
    namespace fs = std::filesystem;
    const fs::path usb = dir_.Path() / "sys/devices/usb1/1-1";
    fs::create_directories(usb / "1-1:1.0");
    test::WriteFileBytes(usb / "idVendor", "0c45\n");
    test::WriteFileBytes(usb / "idProduct", "6001\n");
    for (const char* name : {"video0", "video1", "video2"}) {
      const fs::path node = dir_.Path() / "sys/class/video4linux" / name;
      fs::create_directories(node);
      fs::create_directory_symlink(usb / "1-1:1.0", node / "device");
    }
  }

  int Start(CollectingSink& sink) {
    const std::vector<CaptureDeviceInfo> devices = source_.ListDevices();
    int width = 0;
    int height = 0;
    const int code = devices.size() == 1 ? source_.Start(devices[0], sink, width, height) : -1;
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    return code;
  }

  test::TempDir dir_;
  FakeV4l2Camera camera_;
  V4l2FrameSource source_;
  test::LogCapture log_;
};

TEST_F(V4l2FrameSourceTest, ListsThePictureNodeWithItsUsbIdsAndRefusesAPathWithoutANode) {
  const std::vector<CaptureDeviceInfo> devices = source_.ListDevices();
  ASSERT_EQ(devices.size(), 1U);  // the metadata node and the node that will not open left out
  EXPECT_EQ(devices[0].devicePath, "\\\\?\\usb#vid_0c45&pid_6001#video0");
  EXPECT_EQ(devices[0].friendlyName, "USB 2.0 Camera");
  EXPECT_NE(log_.Text().find("video2"), std::string::npos) << log_.Text();

  CollectingSink sink;
  int width = 0;
  int height = 0;
  EXPECT_NE(
      source_.Start({"\\\\?\\usb#vid_0c45&pid_6001#../../etc/passwd", "x"}, sink, width, height),
      0);
  EXPECT_NE(log_.Text().find("names no video node"), std::string::npos) << log_.Text();
}

// The controls are set while the stream runs, as a sheet's brightness steps are; pulled out,
// the camera ends the stream, and once it is back it streams again.
TEST_F(V4l2FrameSourceTest, StreamsBgr24BottomRowFirstSetsTheControlsAndOutlivesAnUnplug) {
  EXPECT_FALSE(source_.SetBrightness(-10));  // nothing open yet
  CollectingSink sink;
  ASSERT_EQ(Start(sink), 0);
  EXPECT_EQ(camera_.FramesPerSecond(), 5U);
  EXPECT_TRUE(source_.SetBrightness(-10));
  EXPECT_EQ(camera_.Control(V4L2_CID_BRIGHTNESS), -10);
  EXPECT_TRUE(source_.SetBrightness(-500));
  EXPECT_EQ(camera_.Control(V4L2_CID_BRIGHTNESS), -64);  // its least
  int exposure = 0;
  EXPECT_TRUE(source_.ReadExposure(exposure));
  EXPECT_EQ(exposure, 900);  // manual, as another program left it
  EXPECT_TRUE(source_.SetExposureToDefault());
  EXPECT_EQ(camera_.Control(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_APERTURE_PRIORITY);
  EXPECT_EQ(camera_.Control(V4L2_CID_EXPOSURE_ABSOLUTE), 156);

  camera_.Produce(6);  // more frames than buffers: each buffer goes round again
  std::vector<std::uint8_t> frame;
  EXPECT_EQ(sink.WaitFor(6, &frame), (std::vector<double>{100, 101, 102, 103, 104, 105}));
  // Grey: each pixel's three bytes are the picture's brightness there, the rows upside down.
  std::vector<std::uint8_t> expected;
  for (int row = 479; row >= 0; --row) {
    for (int col = 0; col < 640; ++col) {
      expected.insert(expected.end(), 3, FakeV4l2Camera::Luma(row, col));
    }
  }
  EXPECT_TRUE(frame == expected);

  camera_.Unplug();
  for (int i = 0; i < 100 && log_.Text().find("unplugged") == std::string::npos; ++i) {
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_NE(log_.Text().find("was unplugged; the stream ends"), std::string::npos) << log_.Text();
  source_.Stop();
  EXPECT_TRUE(source_.ListDevices().empty());
  camera_.Replug();
  CollectingSink again;
  ASSERT_EQ(Start(again), 0);
  camera_.Produce(1);
  EXPECT_EQ(again.WaitFor(1).size(), 1U);
}

}  // namespace
}  // namespace orvex
