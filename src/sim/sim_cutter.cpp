// The simulated cutter: interprets the command and stream texts and answers the queries.
#include "sim/sim_cutter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "devices/cutter_link.h"

namespace orvex::sim {
namespace {

constexpr char kEtx = '\x03';
constexpr char kEsc = '\x1b';
constexpr char kLf = '\n';
// The head cannot leave the machine: a target beyond this many millimetres is refused.
constexpr double kTravelLimitMm = 100000.0;
// Speeds outside this range (mm/s) are not a tool condition the cutter takes.
constexpr double kMinSpeed = 0.1;
constexpr double kMaxSpeed = 10000.0;

// "x,y" in the cutter's number syntax; nothing else may follow but spaces.
bool ParsePair(const std::string& args, double& x, double& y) {
  const char* begin = args.c_str();
  char* end = nullptr;
  x = std::strtod(begin, &end);
  if (end == begin || *end != ',') return false;
  const char* second = end + 1;
  y = std::strtod(second, &end);
  if (end == second) return false;
  while (*end == ' ') ++end;
  return *end == '\0' && std::isfinite(x) && std::isfinite(y);
}

}  // namespace

SimCutter::SimCutter(SimClock& clock, SimBed& bed, SimCutterSettings settings)
    : clock_(clock),
      bed_(bed),
      settings_(std::move(settings)),
      cutSpeedMmPerS_(settings_.defaultCutSpeedMmPerS) {}

std::string SimCutter::DevicePath() const {
  return "\\\\?\\usb#vid_0b4d&pid_" + settings_.product + "#" + settings_.instance;
}

bool SimCutter::Enumerate(std::vector<std::string>& devicePaths) {
  devicePaths = settings_.otherDevices;
  if (plugged_) devicePaths.push_back(DevicePath());
  return true;
}

int SimCutter::Open(const std::string& path, CutterAccess access, CutterHandle& handle) {
  handle = kNoCutterHandle;
  if (!plugged_ || path != DevicePath()) return kCutterFileNotFound;
  handle = nextHandle_++;
  handles_[handle] = access;
  return kCutterOk;
}

void SimCutter::Close(CutterHandle handle) {
  handles_.erase(handle);
}

int SimCutter::Write(CutterHandle handle, const char* bytes, std::size_t length) {
  auto it = handles_.find(handle);
  if (!plugged_ || it == handles_.end() || it->second != CutterAccess::kWrite) {
    return kCutterInvalidHandle;
  }
  std::size_t delivered = length;
  bool vanishes = false;
  if (unplugAtByte_ >= 0 && BytesReceived() + static_cast<std::int64_t>(length) > unplugAtByte_) {
    delivered =
        static_cast<std::size_t>(std::max<std::int64_t>(0, unplugAtByte_ - BytesReceived()));
    vanishes = true;
  }
  received_.append(bytes, delivered);

  std::string current;
  std::size_t i = 0;
  while (i < delivered) {
    const char c = bytes[i];
    if (c == kEsc) {
      if (!current.empty()) Interpret(current, CutterInstruction::Ending::kNone);
      current.clear();
      if (i + 1 < delivered && bytes[i + 1] == kEtx) {  // a separator pair inside a text
        i += 2;
        continue;
      }
      const char* colon =
          static_cast<const char*>(std::memchr(bytes + i + 1, ':', delivered - i - 1));
      if (colon == nullptr) {
        // An escape sequence cut off by the end of the write is never carried out.
        instructions_.push_back(CutterInstruction{std::string(bytes + i + 1, bytes + delivered),
                                                  CutterInstruction::Ending::kEsc, false});
        i = delivered;
        break;
      }
      InterpretEscape(std::string(bytes + i + 1, colon + 1));
      i = static_cast<std::size_t>(colon - bytes) + 1;
      continue;
    }
    if (c == kEtx || c == kLf) {
      if (!current.empty()) {
        Interpret(current,
                  c == kEtx ? CutterInstruction::Ending::kEtx : CutterInstruction::Ending::kLf);
      }
      current.clear();
    } else {
      current += c;
    }
    ++i;
  }
  // A whole write ends its last instruction (the query letters and a few command texts carry
  // no terminator); a write cut off by the unplug does not, the cutter never saw its end.
  if (!current.empty()) {
    if (vanishes) {
      instructions_.push_back(CutterInstruction{current, CutterInstruction::Ending::kNone, false});
    } else {
      Interpret(current, CutterInstruction::Ending::kNone);
    }
  }
  if (vanishes) {
    Unplug();
    return kCutterIoError;
  }
  return kCutterOk;
}

void SimCutter::Interpret(const std::string& raw, CutterInstruction::Ending ending) {
  std::size_t start = raw.find_first_not_of(", ");
  if (start == std::string::npos) return;
  const std::string text = raw.substr(start);
  instructions_.push_back(CutterInstruction{text, ending, true});
  CutterInstruction& record = instructions_.back();

  if (text.rfind("TC", 0) == 0 || text.rfind("TB", 0) == 0) {
    std::size_t split = text.rfind(',');
    if (split == std::string::npos) split = text.find(' ');
    if (split == std::string::npos) {
      tcSettings_[text] = "";
    } else {
      tcSettings_[text.substr(0, split)] = text.substr(split + 1);
    }
    // The speed setting of a tool condition: "TC1002,3,<condition>,<mm/s>".
    if (text.rfind("TC1002,3,", 0) == 0 && split != std::string::npos) {
      const double speed = std::atof(text.c_str() + split + 1);
      if (speed >= kMinSpeed && speed <= kMaxSpeed) cutSpeedMmPerS_ = speed;
    }
    if (text.rfind("TC1002,1,", 0) == 0) toolCondition_ = std::atoi(text.c_str() + 9);
    if (text == "TC36") bed_.RemoveSheet();  // the eject leaves the bed empty
    return;
  }
  if (text == "U" || text == "G") {
    Query(text[0]);
    return;
  }
  const char letter = text[0];
  if (letter == 'M' || letter == 'D' || letter == 'O' || letter == 'E') {
    record.understood = Motion(letter, text.substr(1));
    return;
  }
  record.understood = false;
}

void SimCutter::InterpretEscape(const std::string& body) {
  instructions_.push_back(CutterInstruction{body, CutterInstruction::Ending::kEsc, true});
  if (body == ".C1:") {
    Query('S');
    return;
  }
  if (body.rfind(".C21;", 0) == 0) {
    const char* digits = body.c_str() + 5;
    char* end = nullptr;
    const long n = std::strtol(digits, &end, 10);
    if (end != digits && *end == ':') {
      feedCommands_.push_back(static_cast<int>(n));
      bed_.NoteFeedCommand(static_cast<int>(n));
      return;
    }
  }
  instructions_.back().understood = false;
}

bool SimCutter::Motion(char letter, const std::string& args) {
  double x = 0.0;
  double y = 0.0;
  if (!ParsePair(args, x, y)) return false;
  const MachinePoint from = bed_.head;
  MachinePoint to;
  if (letter == 'M' || letter == 'D') {
    to = MachinePoint{x / 10.0, y / 10.0};
  } else {
    // A relative step counts in the same axes and sense as an absolute place, whatever ends it.
    to = MachinePoint{from.x + x / 10.0, from.y + y / 10.0};
  }
  if (!(std::fabs(to.x) <= kTravelLimitMm && std::fabs(to.y) <= kTravelLimitMm)) return false;
  const double length = std::hypot(to.x - from.x, to.y - from.y);
  const bool cut = letter == 'D' || letter == 'E';
  AddBusy(length, cut ? cutSpeedMmPerS_ : settings_.moveSpeedMmPerS);
  if (cut) {
    bed_.CutTo(to, ToolOffset());
  } else {
    bed_.MoveTo(to);
  }
  return true;
}

// The dash tool ("TC1002,8,<condition>,1", the special colour's dashed line) is mounted beside
// the blade, except on the cutter model whose program does not shift its cut for it. The
// special colour's condition 3 keeps the dash tool the cutter was set up with until a special
// colour set-up names another; every other condition cuts with the blade itself.
MachinePoint SimCutter::ToolOffset() const {
  const auto kind = tcSettings_.find("TC1002,8," + std::to_string(toolCondition_));
  const bool dashTool = kind != tcSettings_.end() ? kind->second == "1" : toolCondition_ == 3;
  if (!dashTool) return {};
  if (CutterModelForProduct(settings_.product) == 2) return {};
  return MachinePoint{settings_.dashToolFeedOffsetMm, 0.0};
}

void SimCutter::AddBusy(double lengthMm, double speedMmPerS) {
  if (speedMmPerS <= 0.0) return;
  const auto ms = static_cast<std::int64_t>(std::ceil(lengthMm / speedMmPerS * 1000.0));
  if (!Busy()) busySinceMs_ = clock_.NowMs();
  busyUntilMs_ = std::max(busyUntilMs_, clock_.NowMs()) + ms;
}

char SimCutter::State() const {
  if (!settings_.mediaLoaded) return kNoMediaState;
  if (faults_.neverReady) return kBusyState;
  if (Busy() && clock_.NowMs() >= busySinceMs_ + settings_.busyReportDelayMs) return kBusyState;
  return kReadyState;
}

void SimCutter::Query(char which) {
  if (faults_.silent) return;
  std::string reply;
  char text[64];
  switch (which) {
    case 'S':
      // The state character at byte 4, ETX at byte 5.
      reply = std::string("S0: ") + State() + kEtx;
      break;
    case 'U':
      // "5" at byte 1, "0" at bytes 5 and 6, the width in 0.1 mm from byte 9.
      std::snprintf(text, sizeof text, "W5;0;00; %d", settings_.mediaWidthTenths);
      reply = std::string(text) + kEtx;
      break;
    default: {
      // The feed position in 0.1 mm from byte 0, six characters so the comma falls on byte 6,
      // then the cross position.
      const long feed = std::lround(bed_.head.x * 10.0);
      const long cross = std::lround(bed_.head.y * 10.0);
      std::snprintf(text, sizeof text, "%06ld,%06ld", feed, cross);
      reply = std::string(text) + kEtx;
      break;
    }
  }
  SendReply(std::move(reply));
}

void SimCutter::SendReply(std::string bytes) {
  replies_.push_back(bytes);
  pendingReplies_.push_back(Reply{clock_.NowMs() + settings_.replyDelayMs, std::move(bytes)});
}

int SimCutter::StartRead(CutterHandle handle, std::uint8_t* destination, std::size_t capacity) {
  auto it = handles_.find(handle);
  if (!plugged_ || it == handles_.end() || it->second != CutterAccess::kRead) {
    return kCutterInvalidHandle;
  }
  if (read_.active) return kCutterIoError;
  read_ = PendingRead{true, handle, destination, capacity};
  return kCutterOk;
}

void SimCutter::WaitRead(int timeoutMs) {
  if (!read_.active) return;
  const std::int64_t limit = clock_.NowMs() + std::max(0, timeoutMs);
  if (pendingReplies_.empty() || pendingReplies_.front().readyAtMs > limit) {
    clock_.Advance(limit - clock_.NowMs());
    return;
  }
  clock_.Advance(pendingReplies_.front().readyAtMs - clock_.NowMs());
  // An event on the way (an unplug) may have ended the read.
  if (!read_.active || pendingReplies_.empty()) return;
  const std::string& bytes = pendingReplies_.front().bytes;
  std::memcpy(read_.destination, bytes.data(), std::min(bytes.size(), read_.capacity));
  pendingReplies_.pop_front();
  read_ = PendingRead{};
}

void SimCutter::Unplug() {
  plugged_ = false;
  handles_.clear();
  read_ = PendingRead{};  // the outstanding read ends without data
  pendingReplies_.clear();
  unplugAtByte_ = -1;
}

void SimCutter::Plug() {
  plugged_ = true;
}

void SimCutter::UnplugAfterBytes(std::int64_t count) {
  unplugAtByte_ = BytesReceived() + std::max<std::int64_t>(0, count);
}

void SimCutter::UnplugAt(std::int64_t atMs) {
  if (unplugEvent_ != 0) clock_.Cancel(unplugEvent_);
  unplugEvent_ = clock_.ScheduleAt(atMs, [this] {
    unplugEvent_ = 0;
    Unplug();
  });
}

}  // namespace orvex::sim
