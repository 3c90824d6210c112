// Reading a saved camera frame back: an uncompressed 24-bit bottom-up Windows bitmap (as the
// snapshots are written). Anything else is refused with a message saying why; nothing in the
// file is trusted before it has been checked against the file's length.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "vision/camera_frame.h"

namespace orvex {

struct BmpReadResult {
  bool ok = false;
  std::string message;  // why the file was refused
  CameraFrame frame;    // rows in file order (bottom row first), padding removed
};

// Files larger than this are refused before they are read.
inline constexpr std::uintmax_t kMaxBmpFileBytes = std::uintmax_t{64} * 1024U * 1024U;

BmpReadResult DecodeBmp(std::string_view bytes);
BmpReadResult ReadBmpFile(const std::filesystem::path& path);

}  // namespace orvex
