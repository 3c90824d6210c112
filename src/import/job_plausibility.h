// Checks of an imported job against the machine before any run: a job no sheet can hold (or
// whose extents are not numbers) is refused, and an office suite's white page background, which
// would be cut as the page's outline, is pointed out.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/graphic_parser.h"
#include "import/page_background.h"

namespace orvex {

// The largest job the station takes. Across the feed: the wide carriage parks its head at
// 1450 mm, the furthest cross position the cutter is ever sent, so no wider media exists for
// it. Along the feed: sheets come one by one from the feeder; 1500 mm is beyond any sheet it
// delivers and still catches graphics drawn ten or more times too large.
inline constexpr double kMaxJobAlongFeedMm = 1500.0;   // jobWidth, the first coordinate
inline constexpr double kMaxJobAcrossFeedMm = 1450.0;  // jobHeight, the second coordinate

// The refusal message for a job that is too large or has no finite size; nothing when it fits.
std::optional<std::string> JobSizeRefusal(const GraphicSummary& summary);

// The warning for a white filled rectangle that covers the whole job (within 1 mm), if any.
std::optional<std::string> PageBackgroundWarning(const std::vector<RectangleMm>& whiteFills,
                                                 const GraphicSummary& summary);

}  // namespace orvex
