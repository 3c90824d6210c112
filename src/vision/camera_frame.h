// The one picture format the vision code knows: 640x480, three bytes a pixel in the order blue,
// green, red, 1920 bytes a row, the bottom row of the picture first in memory. Every vision
// coordinate is a buffer coordinate (column from the left, row from the start of the buffer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvex {

inline constexpr int kFrameWidth = 640;
inline constexpr int kFrameHeight = 480;
inline constexpr int kFrameStride = kFrameWidth * 3;
inline constexpr std::size_t kFrameBytes = static_cast<std::size_t>(kFrameStride) * kFrameHeight;

struct CameraFrame {
  // The size the camera says the pixels have; a frame whose bytes do not match it is not a
  // picture the searches may read.
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;

  // True only for a complete 640x480 BGR24 frame: the searches read nothing else.
  bool IsStandard() const {
    return width == kFrameWidth && height == kFrameHeight && bytes.size() == kFrameBytes;
  }

  // Grey value of pixel (column, row): the sum of its three bytes divided by 3. The caller
  // keeps (column, row) inside the frame.
  int Grey(int column, int row) const {
    const std::uint8_t* p = bytes.data() + static_cast<std::size_t>(row) * kFrameStride +
                            static_cast<std::size_t>(column) * 3;
    return (p[0] + p[1] + p[2]) / 3;
  }
};

// A blank standard frame (every byte 0), for callers that draw into it.
CameraFrame MakeStandardFrame();

}  // namespace orvex
