// The simulated sheet feeder: request checks, the delayed reply, the sheet hand-over.
#include "sim/sim_feeder.h"

#include <algorithm>
#include <cstring>

namespace orvex::sim {
namespace {

constexpr char kRequestDigits[] = "820222426283032343638404244464850525446586";

}  // namespace

SimFeeder::SimFeeder(SimClock& clock, SimBed& bed, SimFeederSettings settings)
    : clock_(clock), bed_(bed), settings_(std::move(settings)) {}

const std::string& SimFeeder::CuttingNotice() {
  static const std::string notice =
      "UUBBCCDD10121416182022242628303234363840424446485052544658606264";
  return notice;
}

bool SimFeeder::Enumerate(std::vector<HidDeviceInfo>& devices) {
  devices = settings_.otherDevices;
  if (settings_.present) {
    devices.push_back(HidDeviceInfo{settings_.path, kFeederVendorId, kFeederProductId,
                                    kFeederUsagePage, kFeederUsage});
  }
  return true;
}

int SimFeeder::Open(const std::string& path, FeederHandle& handle) {
  handle = kNoFeederHandle;
  if (!settings_.present || path != settings_.path) return 2;  // no such device
  handle = nextHandle_++;
  handles_[handle] = true;
  return 0;
}

void SimFeeder::Close(FeederHandle handle) {
  handles_.erase(handle);
}

std::string SimFeeder::CheckSheetRequest(const std::uint8_t* p, std::size_t length) {
  if (length != kFeederPayload) return "a sheet request is 64 bytes, got " + std::to_string(length);
  auto is = [p](std::size_t at, const char* text) {
    return std::memcmp(p + at, text, std::strlen(text)) == 0;
  };
  if (!is(0, "FFAM")) return "bytes 0-3 are not FFAM";
  if (p[4] != 'M' && p[4] != 'P') return "byte 4 is neither M nor P";
  if (p[5] != 'B') return "byte 5 is not B";
  if (p[6] != 'A' && p[6] != 'S') return "byte 6 is neither A nor S";
  const bool dashed = p[6] == 'S';
  if (p[4] == 'P' && !dashed) return "byte 4 P (creasing with dashed line) without S at byte 6";
  if (!is(7, "DD") || p[9] != 'H' || p[10] != '0') return "bytes 7-10 are not DDH0";
  if (p[11] != 0 || p[15] != 0) return "bytes 11 and 15 must be 0";
  if (p[12] != '2' || p[14] != '4' || p[16] != '6') return "bytes 12, 14, 16 are not 2, 4, 6";
  if (!dashed && p[17] != 0) return "byte 17 must be 0 without the dashed line";
  if (std::memcmp(p + 18, kRequestDigits, 42) != 0) return "bytes 18-59 are not the fixed digits";
  if (p[60] != (dashed ? 108 : 118)) return "byte 60 does not match the dashed-line flag";
  if (p[61] != 100) return "byte 61 is not 100";
  if (p[62] > 200) return "byte 62 (uplift + 100) is above 200";
  if (p[63] > 235) return "byte 63 (insertion + 80) is above 235";
  return {};
}

TransferResult SimFeeder::Write(FeederHandle handle, const std::uint8_t* report, std::size_t length,
                                int /*timeoutMs*/) {
  if (!settings_.present || handles_.count(handle) == 0 || length < 1 || report[0] != 0) {
    return TransferResult{TransferStatus::kFailed, 0};
  }
  const std::uint8_t* payload = report + 1;
  const std::size_t size = length - 1;
  reports_.emplace_back(reinterpret_cast<const char*>(payload), size);

  if (size >= 4 && std::memcmp(payload, "UUBB", 4) == 0) {
    if (size == kFeederPayload && std::memcmp(payload, CuttingNotice().data(), size) == 0) {
      ++cuttingNotices_;
    } else {
      refusals_.push_back("a cutting notice that is not the fixed 64 characters");
    }
    return TransferResult{TransferStatus::kDone, length};
  }
  if (std::string why = CheckSheetRequest(payload, size); !why.empty()) {
    refusals_.push_back(why);
    return TransferResult{TransferStatus::kDone, length};
  }
  ++requestsAccepted_;
  bed_.NoteSheetRequested();
  if (settings_.silent) return TransferResult{TransferStatus::kDone, length};
  if (settings_.sheets >= 0 && sheetsDelivered_ >= settings_.sheets) {
    return TransferResult{TransferStatus::kDone, length};  // out of sheets: no answer
  }
  ++sheetsDelivered_;
  Reply reply;
  reply.readyAtMs = clock_.NowMs() + settings_.replyDelayMs;
  reply.payload.assign(kFeederPayload, 0);
  std::memcpy(reply.payload.data(), "FFAR", 4);
  reply.payload[22] = settings_.firmware;
  replies_.push_back(std::move(reply));
  // The sheet leaves the stack when the feeder answers.
  clock_.ScheduleAt(replies_.back().readyAtMs, [this] { bed_.DeliverSheet(); });
  return TransferResult{TransferStatus::kDone, length};
}

TransferResult SimFeeder::Read(FeederHandle handle, std::uint8_t* report, std::size_t capacity,
                               int timeoutMs) {
  if (!settings_.present || handles_.count(handle) == 0) {
    return TransferResult{TransferStatus::kFailed, 0};
  }
  const std::int64_t limit = clock_.NowMs() + std::max(0, timeoutMs);
  if (replies_.empty() || replies_.front().readyAtMs > limit) {
    clock_.Advance(limit - clock_.NowMs());
    return TransferResult{TransferStatus::kTimedOut, 0};
  }
  clock_.Advance(replies_.front().readyAtMs - clock_.NowMs());
  if (capacity == 0) return TransferResult{TransferStatus::kFailed, 0};
  const std::vector<std::uint8_t>& payload = replies_.front().payload;
  report[0] = 0;
  const std::size_t copied = std::min(payload.size(), capacity - 1);
  std::memcpy(report + 1, payload.data(), copied);
  replies_.pop_front();
  return TransferResult{TransferStatus::kDone, copied + 1};
}

}  // namespace orvex::sim
