// orvex-cli findmark: a technician's diagnostic. Runs the mark search (or the sheet edge
// search) on a saved camera frame, such as a snapshot, and prints what the station would have
// found, and with --calibration the camera offsets a calibration read would store.
#include <charconv>
#include <cstdio>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "vision/bmp_reader.h"
#include "vision/calibration.h"
#include "vision/edge_search.h"
#include "vision/mark_search.h"

namespace orvex::cli {

const char* const kFindMarkUsage =
    "findmark FRAME.bmp [--calibration] [--edge] [--end-phase] [--mpix N] [--json]"
    "  (exit 0 found, 1 not found, 2 unreadable frame or usage)";

namespace {

constexpr int kDefaultMarkPixels = 46;

struct Options {
  std::string file;
  bool calibration = false;
  bool edge = false;
  bool endPhase = false;
  bool json = false;
  int mpix = kDefaultMarkPixels;
};

int Usage(const char* problem, const std::string& detail) {
  std::fprintf(stderr, "orvex-cli findmark: %s%s\nusage: orvex-cli %s\n", problem, detail.c_str(),
               kFindMarkUsage);
  return kExitUsage;
}

// Shortest text that reads back as the same float, always with a decimal point.
std::string FloatText(float value) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  std::string out(text, error == std::errc() ? end : text);
  if (out.find_first_of(".e") == std::string::npos) out += ".0";
  return out;
}

}  // namespace

int RunFindMark(const Arguments& args) {
  Options options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded) {
      if (!options.file.empty()) return Usage("more than one frame given: ", "'" + arg + "'");
      options.file = arg;
      continue;
    }
    if (arg == "--calibration") {
      options.calibration = true;
    } else if (arg == "--edge") {
      options.edge = true;
    } else if (arg == "--end-phase") {
      options.endPhase = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--mpix") {
      if (i + 1 >= args.size()) return Usage("--mpix needs a value", "");
      const std::string& text = args[++i];
      int value = 0;
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 1000) {
        return Usage("--mpix wants a mark size in pixels (1 to 1000), not ", "'" + text + "'");
      }
      options.mpix = value;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage("unknown option ", "'" + arg + "'");
    } else if (options.file.empty()) {
      options.file = arg;
    } else {
      return Usage("more than one frame given: ", "'" + arg + "'");
    }
  }
  if (options.file.empty()) return Usage("no frame given", "");

  const BmpReadResult read = ReadBmpFile(options.file);
  if (!read.ok) {
    std::fprintf(stderr, "orvex-cli findmark: %s: %s\n", options.file.c_str(),
                 read.message.c_str());
    return kExitUsage;
  }
  if (!read.frame.IsStandard()) {
    std::fprintf(stderr, "orvex-cli findmark: %s: a camera frame is 640x480, this one is %dx%d\n",
                 options.file.c_str(), read.frame.width, read.frame.height);
    return kExitUsage;
  }

  // A calibration read always measures the cut square with the inverted mark search, whatever
  // the edge mode says.
  MarkPoint found;
  if (options.calibration || !options.edge) {
    found = LocateMark(read.frame, options.calibration);
  } else {
    found = LocateSheetEdge(read.frame, options.endPhase);
  }
  const double markScale = 4.0 / options.mpix;
  const OffsetPair offsets = ConvertCalibrationRead(found.col, found.row, markScale);

  if (options.json) {
    std::printf("{\"found\": %s, \"col\": %s, \"row\": %s", found.Found() ? "true" : "false",
                FloatText(found.col).c_str(), FloatText(found.row).c_str());
    if (options.calibration) std::printf(", \"x\": %d, \"y\": %d", offsets.x, offsets.y);
    std::printf("}\n");
  } else {
    const char* what = (options.edge && !options.calibration) ? "edge" : "mark";
    if (found.Found()) {
      std::printf("%s found at column %s, row %s\n", what, FloatText(found.col).c_str(),
                  FloatText(found.row).c_str());
    } else {
      std::printf("%s not found\n", what);
    }
    if (options.calibration) {
      std::printf("calibration offsets (0.1 mm, mpix %d): X %d Y %d\n", options.mpix, offsets.x,
                  offsets.y);
    }
  }
  return found.Found() ? kExitOk : kExitRefused;
}

}  // namespace orvex::cli
