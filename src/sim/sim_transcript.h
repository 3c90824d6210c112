// The wire transcript of a run on the twin: every byte the system sends to the cutter and the
// feeder, and every reply, stamped with the twin's virtual time and spelled as readable text.
// A technician holds it against a real machine's traffic. The taps sit between the system's
// links and the twin's devices and pass everything through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/cutter_transport.h"
#include "core/feeder_transport.h"
#include "sim/sim_clock.h"

namespace orvex::sim {

// The bytes as text: printable ASCII as it is, the protocol's control bytes by name (<ETX>,
// <LF>, <CR>, <ESC>, <TAB>), any other byte in hex (<1F>).
std::string Readable(const std::uint8_t* bytes, std::size_t length);

class Transcript {
 public:
  // Switched off, it keeps nothing.
  Transcript(const SimClock& clock, bool on) : clock_(clock), on_(on) {}
  // "<seconds> <who> <what>" as one line.
  void Line(const char* who, const std::string& what);
  const std::string& Text() const { return text_; }

 private:
  const SimClock& clock_;
  bool on_;
  std::string text_;
};

// Every byte to and from the cutter.
class RecordingCutter : public CutterTransport {
 public:
  RecordingCutter(CutterTransport& inner, Transcript& log) : inner_(inner), log_(log) {}
  bool Enumerate(std::vector<std::string>& paths) override { return inner_.Enumerate(paths); }
  int Open(const std::string& path, CutterAccess access, CutterHandle& handle) override {
    return inner_.Open(path, access, handle);
  }
  int Write(CutterHandle handle, const char* bytes, std::size_t length) override;
  void Close(CutterHandle handle) override { inner_.Close(handle); }
  int StartRead(CutterHandle handle, std::uint8_t* destination, std::size_t capacity) override;
  bool ReadOutstanding() const override { return inner_.ReadOutstanding(); }
  void WaitRead(int timeoutMs) override;

 private:
  CutterTransport& inner_;
  Transcript& log_;
  std::uint8_t* destination_ = nullptr;
  std::size_t capacity_ = 0;
};

// Every report to and from the feeder.
class RecordingFeeder : public FeederTransport {
 public:
  RecordingFeeder(FeederTransport& inner, Transcript& log) : inner_(inner), log_(log) {}
  bool Enumerate(std::vector<HidDeviceInfo>& devices) override { return inner_.Enumerate(devices); }
  int Open(const std::string& path, FeederHandle& handle) override {
    return inner_.Open(path, handle);
  }
  void Close(FeederHandle handle) override { inner_.Close(handle); }
  TransferResult Write(FeederHandle handle, const std::uint8_t* report, std::size_t length,
                       int timeoutMs) override;
  TransferResult Read(FeederHandle handle, std::uint8_t* report, std::size_t capacity,
                      int timeoutMs) override;

 private:
  FeederTransport& inner_;
  Transcript& log_;
};

}  // namespace orvex::sim
