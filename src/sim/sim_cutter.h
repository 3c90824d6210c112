// The simulated cutter: a USB device of vendor 0b4d behind the CutterTransport port. It carries
// out the command and stream texts it is written (moves, cuts, settings, media feed), answers
// the status, width and position queries in the reply formats the status polling reads, keeps
// its head position, records every cut on the bed, and stays busy for as long as the motion it
// was sent takes. Faults are settings: unplugged at a byte or a time, never ready, silent.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/cutter_transport.h"
#include "sim/sim_bed.h"
#include "sim/sim_clock.h"

namespace orvex::sim {

struct SimCutterSettings {
  std::string product = "1130";           // "1130", "1135" or "1143"
  std::string instance = "sim0";          // the tail of the device path
  std::vector<std::string> otherDevices;  // listed before the cutter (other USB devices)
  int mediaWidthTenths = 3200;            // reported by the width query
  bool mediaLoaded = true;                // else the state is kNoMediaState
  int replyDelayMs = 5;                   // from a query to its reply
  double moveSpeedMmPerS = 400.0;         // blade up
  double defaultCutSpeedMmPerS = 100.0;   // until a speed setting arrives
  // A cutter that starts on a job from rest still answers ready for this long (its controller
  // reports the motion late); the reason the finish check waits to see it busy on long jobs.
  int busyReportDelayMs = 0;
  // The dash tool's point from the blade along the feed.
  double dashToolFeedOffsetMm = 5.0;
};

// Fault injection.
struct SimCutterFaults {
  bool neverReady = false;  // the state is always busy
  bool silent = false;      // queries get no reply
};

// The state characters the twin reports.
inline constexpr char kReadyState = '0';
inline constexpr char kBusyState = '1';
inline constexpr char kNoMediaState = '2';

// One instruction as the cutter understood it, for tests and logs.
struct CutterInstruction {
  enum class Ending { kEtx, kLf, kNone, kEsc };
  std::string text;  // without its terminator; ESC instructions without the ESC byte
  Ending ending = Ending::kNone;
  bool understood = true;
};

class SimCutter : public CutterTransport {
 public:
  SimCutter(SimClock& clock, SimBed& bed, SimCutterSettings settings = {});

  // CutterTransport
  bool Enumerate(std::vector<std::string>& devicePaths) override;
  int Open(const std::string& path, CutterAccess access, CutterHandle& handle) override;
  int Write(CutterHandle handle, const char* bytes, std::size_t length) override;
  void Close(CutterHandle handle) override;
  int StartRead(CutterHandle handle, std::uint8_t* destination, std::size_t capacity) override;
  bool ReadOutstanding() const override { return read_.active; }
  void WaitRead(int timeoutMs) override;

  // "\\?\usb#vid_0b4d&pid_<product>#<instance>": vendor at characters 12..15, product at 21..24.
  std::string DevicePath() const;

  void Unplug();
  void Plug();
  bool Plugged() const { return plugged_; }
  // Unplugs while the byte that makes `count` more bytes received is being written: that write
  // delivers the bytes before it and fails.
  void UnplugAfterBytes(std::int64_t count);
  // Unplugs when virtual time reaches `atMs`.
  void UnplugAt(std::int64_t atMs);

  SimCutterSettings& Settings() { return settings_; }
  SimCutterFaults& Faults() { return faults_; }

  // The state character a status query would get now.
  char State() const;
  bool Busy() const { return clock_.NowMs() < busyUntilMs_; }
  std::int64_t BusyUntilMs() const { return busyUntilMs_; }

  // Head position in the cutter's 0.1 mm units.
  double HeadFeedTenths() const { return bed_.head.x * 10.0; }
  double HeadCrossTenths() const { return bed_.head.y * 10.0; }
  double CutSpeedMmPerS() const { return cutSpeedMmPerS_; }
  // The tool condition "TC1002,1,<n>" last selected (1 the blade, 3 the special colour); 0
  // before any.
  int ToolCondition() const { return toolCondition_; }

  // Everything received, byte for byte, and as instructions.
  const std::string& Received() const { return received_; }
  std::int64_t BytesReceived() const { return static_cast<std::int64_t>(received_.size()); }
  const std::vector<CutterInstruction>& Instructions() const { return instructions_; }
  // Settings by name: "TC1002,3,1,500" is kept as "TC1002,3,1" -> "500"; a setting without a
  // comma keeps an empty value. The last value of a name wins.
  const std::map<std::string, std::string>& SettingsReceived() const { return tcSettings_; }
  // Every ESC ".C21;n:" feed command's n, in order.
  const std::vector<int>& FeedCommands() const { return feedCommands_; }
  // Replies sent, in order.
  const std::vector<std::string>& Replies() const { return replies_; }

 private:
  struct PendingRead {
    bool active = false;
    CutterHandle handle = kNoCutterHandle;
    std::uint8_t* destination = nullptr;
    std::size_t capacity = 0;
  };
  struct Reply {
    std::int64_t readyAtMs = 0;
    std::string bytes;
  };

  void Interpret(const std::string& text, CutterInstruction::Ending ending);
  void InterpretEscape(const std::string& body);
  bool Motion(char letter, const std::string& args);
  MachinePoint ToolOffset() const;
  void Query(char which);
  void SendReply(std::string bytes);
  void AddBusy(double lengthMm, double speedMmPerS);

  SimClock& clock_;
  SimBed& bed_;
  SimCutterSettings settings_;
  SimCutterFaults faults_;
  bool plugged_ = true;
  std::int64_t unplugAtByte_ = -1;
  SimClock::EventId unplugEvent_ = 0;
  std::map<CutterHandle, CutterAccess> handles_;
  CutterHandle nextHandle_ = 1;
  PendingRead read_;
  std::deque<Reply> pendingReplies_;
  std::vector<std::string> replies_;
  std::string received_;
  std::vector<CutterInstruction> instructions_;
  std::map<std::string, std::string> tcSettings_;
  std::vector<int> feedCommands_;
  double cutSpeedMmPerS_;
  int toolCondition_ = 0;
  std::int64_t busyUntilMs_ = 0;
  std::int64_t busySinceMs_ = 0;  // when the present busy period began
};

}  // namespace orvex::sim
