// The fixed report that tells the feeder its sheet is being cut, sent when the cut starts and
// when the mark search gives the sheet up; the feeder then lets go of it.
#pragma once

#include <string_view>

namespace orvex {

inline constexpr std::string_view kCuttingNotice =
    "UUBBCCDD10121416182022242628303234363840424446485052544658606264";
inline constexpr int kCuttingNoticeTimeoutMs = 100;

}  // namespace orvex
