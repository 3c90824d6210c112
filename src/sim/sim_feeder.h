// The simulated sheet feeder: a HID device 0x16C0/0x0486 (usage page 0xFFAB, usage 0x0200)
// behind the FeederTransport port. It checks every sheet request it is sent, answers a good one
// after a chosen delay with a 64-byte reply whose byte 22 is its firmware number, and hands the
// next sheet to the cutter; it records the cutting notice. It can be absent, stay silent, or run
// out of sheets.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/feeder_transport.h"
#include "sim/sim_bed.h"
#include "sim/sim_clock.h"

namespace orvex::sim {

inline constexpr int kFeederVendorId = 0x16C0;
inline constexpr int kFeederProductId = 0x0486;
inline constexpr int kFeederUsagePage = 0xFFAB;
inline constexpr int kFeederUsage = 0x0200;
inline constexpr std::size_t kFeederPayload = 64;

struct SimFeederSettings {
  bool present = true;
  bool silent = false;         // takes every report, answers none
  int sheets = -1;             // sheets in the stack; -1 never runs out
  int replyDelayMs = 2000;     // from a good request to the reply
  std::uint8_t firmware = 23;  // byte 22 of the reply
  std::string path = "/dev/hidraw-sim-feeder";
  std::vector<HidDeviceInfo> otherDevices;  // listed before the feeder
};

class SimFeeder : public FeederTransport {
 public:
  SimFeeder(SimClock& clock, SimBed& bed, SimFeederSettings settings = {});

  // FeederTransport
  bool Enumerate(std::vector<HidDeviceInfo>& devices) override;
  int Open(const std::string& path, FeederHandle& handle) override;
  void Close(FeederHandle handle) override;
  TransferResult Write(FeederHandle handle, const std::uint8_t* report, std::size_t length,
                       int timeoutMs) override;
  TransferResult Read(FeederHandle handle, std::uint8_t* report, std::size_t capacity,
                      int timeoutMs) override;

  SimFeederSettings& Settings() { return settings_; }

  // Why a sheet request is not one, or empty when it is (the 64 payload bytes).
  static std::string CheckSheetRequest(const std::uint8_t* payload, std::size_t length);
  static const std::string& CuttingNotice();

  int RequestsAccepted() const { return requestsAccepted_; }
  int SheetsDelivered() const { return sheetsDelivered_; }
  int CuttingNotices() const { return cuttingNotices_; }
  // Reasons of the reports that were refused, in order.
  const std::vector<std::string>& Refusals() const { return refusals_; }
  // Payloads of every report written, in order.
  const std::vector<std::string>& Reports() const { return reports_; }

 private:
  struct Reply {
    std::int64_t readyAtMs = 0;
    std::vector<std::uint8_t> payload;
  };

  SimClock& clock_;
  SimBed& bed_;
  SimFeederSettings settings_;
  std::map<FeederHandle, bool> handles_;
  FeederHandle nextHandle_ = 1;
  std::deque<Reply> replies_;
  int requestsAccepted_ = 0;
  int sheetsDelivered_ = 0;
  int cuttingNotices_ = 0;
  std::vector<std::string> refusals_;
  std::vector<std::string> reports_;
};

}  // namespace orvex::sim
