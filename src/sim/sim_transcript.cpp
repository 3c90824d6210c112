// The wire transcript and its taps.
#include "sim/sim_transcript.h"

#include <cstdio>

namespace orvex::sim {

std::string Readable(const std::uint8_t* bytes, std::size_t length) {
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint8_t c = bytes[i];
    switch (c) {
      case 0x03:
        out += "<ETX>";
        break;
      case 0x0A:
        out += "<LF>";
        break;
      case 0x0D:
        out += "<CR>";
        break;
      case 0x1B:
        out += "<ESC>";
        break;
      case 0x09:
        out += "<TAB>";
        break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += static_cast<char>(c);
        } else {
          char hex[8];
          std::snprintf(hex, sizeof hex, "<%02X>", c);
          out += hex;
        }
    }
  }
  return out;
}

void Transcript::Line(const char* who, const std::string& what) {
  if (!on_) return;
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%10.3f ", static_cast<double>(clock_.NowMs()) / 1000.0);
  text_ += stamp;
  text_ += who;
  text_ += ' ';
  text_ += what;
  text_ += '\n';
}

int RecordingCutter::Write(CutterHandle handle, const char* bytes, std::size_t length) {
  log_.Line("cutter <", Readable(reinterpret_cast<const std::uint8_t*>(bytes), length));
  return inner_.Write(handle, bytes, length);
}

int RecordingCutter::StartRead(CutterHandle handle, std::uint8_t* destination,
                               std::size_t capacity) {
  destination_ = destination;
  capacity_ = capacity;
  return inner_.StartRead(handle, destination, capacity);
}

void RecordingCutter::WaitRead(int timeoutMs) {
  const bool outstanding = inner_.ReadOutstanding();
  inner_.WaitRead(timeoutMs);
  if (!outstanding || inner_.ReadOutstanding() || destination_ == nullptr) return;
  // The buffer keeps older replies' bytes behind this one's end mark.
  std::size_t length = 0;
  while (length < capacity_ && destination_[length] != 0 && destination_[length] != 0x03) {
    ++length;
  }
  if (length < capacity_ && destination_[length] == 0x03) ++length;
  log_.Line("cutter >", Readable(destination_, length));
}

TransferResult RecordingFeeder::Write(FeederHandle handle, const std::uint8_t* report,
                                      std::size_t length, int timeoutMs) {
  log_.Line("feeder <", Readable(report, length));
  return inner_.Write(handle, report, length, timeoutMs);
}

TransferResult RecordingFeeder::Read(FeederHandle handle, std::uint8_t* report,
                                     std::size_t capacity, int timeoutMs) {
  TransferResult result = inner_.Read(handle, report, capacity, timeoutMs);
  if (result.status == TransferStatus::kDone) {
    log_.Line("feeder >", Readable(report, result.bytes));
  } else {
    log_.Line("feeder >", result.status == TransferStatus::kTimedOut ? "(time-out)" : "(failed)");
  }
  return result;
}

}  // namespace orvex::sim
