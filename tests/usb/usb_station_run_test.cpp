// A whole sheet cut through the real USB and HID adapters: the station's cutter link runs over
// libusb to the fake USB cutter, its feeder link over hidapi to the fake HID feeder, and the
// fakes hand what arrived on the wire to the twin's cutter and feeder and put the twin's answers
// back on the wire. Frames come from the twin's camera through the real frame buffer. The cut is
// measured against the print, so every byte of the run crossed the adapters intact.
//
// The fakes' device side runs on the test's thread, just before the adapter waits for the
// answer: the twin's time is the station's virtual clock, and it may only move on that thread.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

#include "platform/hidapi_feeder_transport.h"
#include "platform/libusb_cutter_transport.h"
#include "platform/pdf_converters.h"
#include "sim/sim_station.h"
#include "support/fake_main_window_view.h"
#include "support/memory_profile.h"
#include "support/temp_dir.h"
#include "usb/fake_hid_feeder.h"
#include "usb/fake_usb_cutter.h"
#include "usb/umockdev_bed.h"

namespace orvex {
namespace {

using test::FakeHidFeeder;
using test::FakeUsbCutter;
using test::UmockdevBed;

// How long the adapter may take to see an answer the fake has already queued (real time).
constexpr int kAnswerOnTheWireMs = 2000;

// libusb to the fake cutter, whose bytes go on to the twin's cutter.
class CutterOverUsb : public CutterTransport {
 public:
  explicit CutterOverUsb(FakeUsbCutter& device) : device_(device) {}
  // The station is built over this transport before its twin exists.
  void ReachTwin(CutterTransport& twin) {
    twin_ = &twin;
    std::vector<std::string> paths;
    twin.Enumerate(paths);
    twinPath_ = paths.at(0);
  }

  bool Enumerate(std::vector<std::string>& paths) override { return usb_.Enumerate(paths); }
  int Open(const std::string& path, CutterAccess access, CutterHandle& handle) override {
    const int error = usb_.Open(path, access, handle);
    if (error == kCutterOk) twin_->Open(twinPath_, access, twinHandles_[handle]);
    return error;
  }
  int Write(CutterHandle handle, const char* bytes, std::size_t length) override {
    const int error = usb_.Write(handle, bytes, length);
    const std::string arrived = device_.Received().substr(forwarded_);
    forwarded_ += arrived.size();
    if (!arrived.empty()) twin_->Write(twinHandles_[handle], arrived.data(), arrived.size());
    return error;
  }
  void Close(CutterHandle handle) override {
    usb_.Close(handle);
    twin_->Close(twinHandles_[handle]);
    twinHandles_.erase(handle);
  }
  int StartRead(CutterHandle handle, std::uint8_t* destination, std::size_t capacity) override {
    twinReply_.fill(0);
    twin_->StartRead(twinHandles_[handle], twinReply_.data(), capacity);
    capacity_ = capacity;
    return usb_.StartRead(handle, destination, capacity);
  }
  bool ReadOutstanding() const override { return usb_.ReadOutstanding(); }
  void WaitRead(int timeoutMs) override {
    bool answered = false;
    if (twin_->ReadOutstanding()) {
      twin_->WaitRead(timeoutMs);
      answered = !twin_->ReadOutstanding();
      if (answered) {
        device_.Reply(std::string(reinterpret_cast<const char*>(twinReply_.data()), capacity_));
      }
    }
    usb_.WaitRead(answered ? kAnswerOnTheWireMs : 0);
  }

 private:
  FakeUsbCutter& device_;
  CutterTransport* twin_ = nullptr;
  LibusbCutterTransport usb_;
  std::string twinPath_;
  std::map<CutterHandle, CutterHandle> twinHandles_;
  std::size_t forwarded_ = 0;
  std::array<std::uint8_t, RunContext::kCutterStatusBytes> twinReply_{};
  std::size_t capacity_ = 0;
};

// hidapi to the fake feeder, whose reports go on to the twin's feeder.
class FeederOverHid : public FeederTransport {
 public:
  explicit FeederOverHid(FakeHidFeeder& device) : device_(device) {}
  void ReachTwin(FeederTransport& twin) {
    twin_ = &twin;
    std::vector<HidDeviceInfo> devices;
    twin.Enumerate(devices);
    twinPath_ = devices.at(0).path;
  }

  bool Enumerate(std::vector<HidDeviceInfo>& devices) override { return hid_.Enumerate(devices); }
  int Open(const std::string& path, FeederHandle& handle) override {
    const int error = hid_.Open(path, handle);
    if (error == kFeederOk) twin_->Open(twinPath_, twinHandles_[handle]);
    return error;
  }
  void Close(FeederHandle handle) override {
    hid_.Close(handle);
    twin_->Close(twinHandles_[handle]);
    twinHandles_.erase(handle);
  }
  TransferResult Write(FeederHandle handle, const std::uint8_t* report, std::size_t length,
                       int timeoutMs) override {
    const TransferResult sent = hid_.Write(handle, report, length, timeoutMs);
    // hidraw is written the report id in front, as the port hands it over.
    const std::string arrived = device_.Take(sent.bytes, kAnswerOnTheWireMs);
    twin_->Write(twinHandles_[handle], reinterpret_cast<const std::uint8_t*>(arrived.data()),
                 arrived.size(), timeoutMs);
    return sent;
  }
  TransferResult Read(FeederHandle handle, std::uint8_t* report, std::size_t capacity,
                      int timeoutMs) override {
    std::string answer(capacity, '\0');
    const TransferResult twin = twin_->Read(
        twinHandles_[handle], reinterpret_cast<std::uint8_t*>(answer.data()), capacity, timeoutMs);
    if (twin.status != TransferStatus::kDone) return hid_.Read(handle, report, capacity, 0);
    device_.Send(answer.substr(1, twin.bytes - 1));  // hidraw hands reports over without the id
    return hid_.Read(handle, report, capacity, kAnswerOnTheWireMs);
  }

 private:
  FakeHidFeeder& device_;
  FeederTransport* twin_ = nullptr;
  HidapiFeederTransport hid_;
  std::string twinPath_;
  std::map<FeederHandle, FeederHandle> twinHandles_;
};

TEST(UsbStationRun, ASheetIsFedRegisteredAndCutOnItsPrintThroughTheUsbAndHidAdapters) {
  UmockdevBed bed;
  if (!UmockdevBed::Mocking()) GTEST_SKIP() << "not running under umockdev-wrapper";
  FakeUsbCutter usbCutter(bed);
  FakeHidFeeder hidFeeder(bed);
  CutterOverUsb cutter(usbCutter);
  FeederOverHid feeder(hidFeeder);
  test::TempDir temp;
  sim::StationOptions options;
  options.sheets = 1;
  options.offsetFeedMm = 1.5;  // laid off its place, so the marks' reading matters
  options.offsetCrossMm = -1.0;
  options.rotationDeg = 0.3;
  sim::SimStation station(options, temp.Path(), false, {&cutter, &feeder});
  cutter.ReachTwin(station.Machine().Cutter());
  feeder.ReachTwin(station.Machine().Feeder());

  test::FakeMainWindowView view;
  test::MemoryProfile profile;
  NullPreviewCanvas canvas;
  NoPdfConverter pdf;
  MainWindowModel& model = station.BuildWindow({view, canvas, pdf, profile});
  view.model = &model;
  model.Initialise();
  view.openAnswer = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";
  view.Click(window_id::kFileOpenButton);
  ASSERT_TRUE(model.JobLoaded());
  station.StartTimer();
  // Found on the bus: the link's path is the one the USB adapter built for the fake.
  ASSERT_TRUE(station.RunUntil([&] { return station.Run().mediaWidth > 0; }, 10'000));
  EXPECT_EQ(station.Run().cutterPath, usbCutter.ExpectedPath());

  view.Click(window_id::kStartButton);
  RunEngine& engine = *model.Engine();
  ASSERT_TRUE(station.RunUntil([&] { return !engine.Running() && !engine.Busy(); }, 600'000));
  EXPECT_EQ(engine.Fields().sheet.sheetCount, 1);
  EXPECT_TRUE(model.OperatorMessages().empty()) << model.OperatorMessages().front();
  EXPECT_EQ(station.Machine().Feeder().SheetsDelivered(), 1);
  EXPECT_EQ(station.Machine().Feeder().CuttingNotices(), 1);
  const sim::AccuracyReport report = station.Accuracy();
  ASSERT_EQ(report.sheets.size(), 1U);
  EXPECT_GT(report.sheets[0].points, 400U);
  EXPECT_LE(report.sheets[0].maxMm, 0.15);
  EXPECT_TRUE(station.Machine().Bed().Problems().empty());
}

}  // namespace
}  // namespace orvex
