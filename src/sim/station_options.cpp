// Parsing of the simulated run's options: one option at a time, with the limits a run on the
// twin can honour.
#include "sim/station_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace orvex::sim {
namespace {

bool ParseDouble(const std::string& text, double& out) {
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || errno != 0 || !std::isfinite(value)) return false;
  out = value;
  return true;
}

bool ParseInt(const std::string& text, long long minimum, long long maximum, long long& out) {
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || errno != 0) return false;
  if (value < minimum || value > maximum) return false;
  out = value;
  return true;
}

// "DX,DY": two numbers, each within its limit.
bool ParsePair(const std::string& text, double feedLimit, double crossLimit, double& feed,
               double& cross) {
  const std::size_t comma = text.find(',');
  double a = 0.0;
  double b = 0.0;
  if (comma == std::string::npos || !ParseDouble(text.substr(0, comma), a) ||
      !ParseDouble(text.substr(comma + 1), b) || std::abs(a) > feedLimit ||
      std::abs(b) > crossLimit) {
    return false;
  }
  feed = a;
  cross = b;
  return true;
}

}  // namespace

const char* const kStationOptionsUsage =
    "[--media-width MM] [--sheets N] [--offset-mm DX,DY] [--rotate-deg A] [--feed-scale S]"
    " [--seed K] [--fault NAME] [--camera-offset-mm DX,DY] [--stack marks|edge]";

const std::vector<std::string_view>& StationFaults() {
  static const std::vector<std::string_view> faults = {
      "feeder-absent", "feeder-silent",    "feeder-slow",      "cutter-silent",
      "cutter-busy",   "cutter-late-busy", "cutter-unplugged", "camera-no-frames",
      "marks-missing", "mark-half-printed"};
  return faults;
}

OptionParse ParseStationOption(std::string_view name, const std::string& value,
                               StationOptions& options, std::string& problem) {
  double real = 0.0;
  long long whole = 0;
  if (name == "--media-width") {
    if (!ParseDouble(value, real) || real < 50 || real > 2000) {
      problem = "--media-width wants millimetres between 50 and 2000";
      return OptionParse::kBad;
    }
    options.mediaWidthMm = real;
  } else if (name == "--sheets") {
    if (!ParseInt(value, 1, 10000, whole)) {
      problem = "--sheets wants 1 to 10000";
      return OptionParse::kBad;
    }
    options.sheets = static_cast<int>(whole);
  } else if (name == "--offset-mm") {
    double feed = 0.0;
    double cross = 0.0;
    if (!ParsePair(value, 50, 50, feed, cross)) {
      problem = "--offset-mm wants DX,DY in millimetres, each within 50";
      return OptionParse::kBad;
    }
    options.offsetFeedMm = feed;
    options.offsetCrossMm = cross;
  } else if (name == "--rotate-deg") {
    if (!ParseDouble(value, real) || std::abs(real) > 10) {
      problem = "--rotate-deg wants degrees within 10";
      return OptionParse::kBad;
    }
    options.rotationDeg = real;
  } else if (name == "--feed-scale") {
    if (!ParseDouble(value, real) || real < 0.9 || real > 1.1) {
      problem = "--feed-scale wants a factor between 0.9 and 1.1";
      return OptionParse::kBad;
    }
    options.feedScale = real;
  } else if (name == "--seed") {
    if (!ParseInt(value, 0, 0xFFFFFFFFLL, whole)) {
      problem = "--seed wants a number";
      return OptionParse::kBad;
    }
    options.seed = static_cast<std::uint32_t>(whole);
  } else if (name == "--camera-offset-mm") {
    double feed = 0.0;
    double cross = 0.0;
    if (!ParsePair(value, 100, 150, feed, cross)) {
      problem = "--camera-offset-mm wants DX,DY in millimetres, within 100 and 150";
      return OptionParse::kBad;
    }
    options.cameraOffsetMm = std::pair{feed, cross};
  } else if (name == "--stack") {
    if (value != "marks" && value != "edge") {
      problem = "--stack wants marks (sheets printed with their marks) or edge (cut for edge mode)";
      return OptionParse::kBad;
    }
    options.edgeSheets = value == "edge";
  } else if (name == "--fault") {
    bool known = false;
    for (std::string_view fault : StationFaults()) known = known || value == fault;
    if (!known) {
      problem = "unknown fault '" + value + "'";
      return OptionParse::kBad;
    }
    options.fault = value;
  } else {
    return OptionParse::kNotMine;
  }
  return OptionParse::kTaken;
}

}  // namespace orvex::sim
