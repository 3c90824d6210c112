// Fuzzes the run engine's reading of the cutter's replies: arbitrary bytes land in the status
// buffer between the status polling's steps and the finish check's, in any order of steps, on
// a run waiting for its sheet to finish. Nothing may crash, hang or take a garbled number.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "run/run_engine.h"

namespace {

// A cutter that is always there and answers every read with the next fuzzed reply.
class FuzzCutter : public orvex::CutterTransport {
 public:
  explicit FuzzCutter(FuzzedDataProvider& in) : in_(in) {}
  bool Enumerate(std::vector<std::string>& paths) override {
    paths = {"\\\\?\\usb#vid_0b4d&pid_1130#1"};
    return true;
  }
  int Open(const std::string&, orvex::CutterAccess, orvex::CutterHandle& handle) override {
    handle = 1;
    return 0;
  }
  int Write(orvex::CutterHandle, const char*, std::size_t) override { return 0; }
  void Close(orvex::CutterHandle) override {}
  int StartRead(orvex::CutterHandle, std::uint8_t* destination, std::size_t capacity) override {
    const std::vector<std::uint8_t> reply =
        in_.ConsumeBytes<std::uint8_t>(in_.ConsumeIntegralInRange<std::size_t>(0, capacity));
    std::copy(reply.begin(), reply.end(), destination);
    return 0;
  }
  bool ReadOutstanding() const override { return false; }
  void WaitRead(int) override {}

 private:
  FuzzedDataProvider& in_;
};

class NoFeeder : public orvex::FeederTransport {
 public:
  bool Enumerate(std::vector<orvex::HidDeviceInfo>& devices) override {
    devices.clear();
    return true;
  }
  int Open(const std::string&, orvex::FeederHandle&) override { return -1; }
  void Close(orvex::FeederHandle) override {}
  orvex::TransferResult Write(orvex::FeederHandle, const std::uint8_t*, std::size_t, int) override {
    return {orvex::TransferStatus::kFailed, 0};
  }
  orvex::TransferResult Read(orvex::FeederHandle, std::uint8_t*, std::size_t, int) override {
    return {orvex::TransferStatus::kFailed, 0};
  }
};

class StillClock : public orvex::Clock {
 public:
  std::uint32_t TickMs() override { return static_cast<std::uint32_t>(now_); }
  std::int64_t CalendarSeconds() override { return 1'700'000'000 + now_ / 1000; }
  void Sleep(int ms) override { now_ += ms; }
  std::int64_t now_ = 0;
};

class QuietWindow : public orvex::RunApplication, public orvex::RunView, public orvex::RunVision {
 public:
  bool JobLoaded() override { return true; }
  bool OpenHasBeenUsed() override { return true; }
  void TakeFields(orvex::RunFields&) override {}
  void ShowFields(const orvex::RunFields&) override {}
  void ShowMessage(std::string_view, std::string_view, orvex::MessageIcon) override {}
  bool AskYesNo(std::string_view, std::string_view) override { return true; }
  void StoreRunSettings(orvex::RunFields&) override {}
  void ReloadCameraOffsets() override {}
  void StoreMarkSize(int) override {}
  void LogFinishedRun(const orvex::RunFields&) override {}
  void WindowSetUp() override {}
  void TimerRefresh() override {}
  void ExitProcess(int) override {}
  void SetControlText(int, std::string_view) override {}
  void EnableControl(int, bool) override {}
  void SetControlIcon(int, int) override {}
  void RequestFrame() override {}
  void AnalyseFrame() override {}
  void SwitchCamera(int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  orvex::RunContext ctx;
  FuzzCutter cutter(in);
  NoFeeder feeder;
  StillClock clock;
  QuietWindow window;
  orvex::CutterLink link(cutter, ctx);
  orvex::FeederLink feederLink(feeder);
  orvex::RunEngine engine(ctx, orvex::WorkDir("/nonexistent-orvex-fuzz"),
                          orvex::RunPorts{link, feederLink, clock, window, window, window});
  ctx.detectionHold = in.ConsumeBool() ? 10 : 0;
  ctx.totalCutLength = in.ConsumeIntegralInRange(0, 5000);
  ctx.unitFlag = in.ConsumeIntegralInRange(0, 1);
  engine.Fields().sheet.sheetCount = in.ConsumeIntegralInRange(0, 40);
  ctx.avgCutMs = in.ConsumeIntegral<std::uint32_t>();
  for (int step = 0; step < 400 && in.remaining_bytes() > 0; ++step) {
    ctx.statusStep = in.ConsumeIntegralInRange(1, 61);
    clock.now_ += 120;
    engine.OnTimer();
    if (!std::isfinite(ctx.mediaWidth) || ctx.mediaWidth < 0.0 || ctx.mediaWidth > 10000.0 ||
        !std::isfinite(ctx.mediaPosition)) {
      std::abort();
    }
  }
  return 0;
}
