// The simulated run's options that both programs on the twin take, orvex-cli simulate and
// `orvex --simulate`: the media, the stack of sheets, how each sheet lies on the bed, and the
// fault the twin acts out. Parsed here once, so both programs accept and refuse the same texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvex::sim {

struct StationOptions {
  double mediaWidthMm = 320.0;
  int sheets = 3;
  // How every sheet lies off its nominal place, unless a seed draws a placement per sheet.
  double offsetFeedMm = 0.0;
  double offsetCrossMm = 0.0;
  double rotationDeg = 0.0;
  double feedScale = 1.0;
  std::optional<std::uint32_t> seed;
  std::string fault;  // empty, or one of StationFaults()
  // Where the twin's camera axis lies from the blade (mm along the feed, across); unset: the
  // twin's own place, 8 mm behind the blade and 70.1 mm across.
  std::optional<std::pair<double, double>> cameraOffsetMm;
  // The stack holds sheets made for edge mode: cut to the edge rule around the print and laid
  // printed side down (the run cuts them from the back).
  bool edgeSheets = false;
};

// The faults the twin can act out, by name.
const std::vector<std::string_view>& StationFaults();

enum class OptionParse { kNotMine, kTaken, kBad };

// One option and its value: --media-width, --sheets, --offset-mm, --rotate-deg, --feed-scale,
// --seed, --fault, --camera-offset-mm, --stack. kBad leaves `options` as it was and says why in
// `problem`.
OptionParse ParseStationOption(std::string_view name, const std::string& value,
                               StationOptions& options, std::string& problem);

extern const char* const kStationOptionsUsage;

}  // namespace orvex::sim
