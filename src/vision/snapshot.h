// Snapshots of the requested frames: every request's first frame is saved as a 24-bit bitmap
// in the working directory ("StillCap0001.bmp" .. "StillCap0004.bmp", the fourth overwritten
// from then on) and shown in the still pane, whose repaints draw the last one again.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "vision/camera_frame.h"
#include "vision/frame_buffer.h"

namespace orvex {

inline constexpr std::size_t kBitmapFileHeaderBytes = 14;
inline constexpr std::size_t kBitmapInfoHeaderBytes = 40;
inline constexpr int kLastSnapshotNumber = 4;

using BitmapInfoHeader = std::array<std::uint8_t, kBitmapInfoHeaderBytes>;

// The still pane. Draws `frame` stretched onto the whole pane, pixels dropped or repeated,
// never blended; `header` describes the pixels.
class StillView {
 public:
  virtual ~StillView() = default;
  virtual void DrawStill(const CameraFrame& frame, const BitmapInfoHeader& header) = 0;
};

// "StillCap%4.4ld.bmp" of `number`.
std::string SnapshotFileName(int number);
// The 40-byte information header of a bottom-up 24-bit bitmap of width x height.
BitmapInfoHeader MakeBitmapInfoHeader(int width, int height);
// The whole bitmap file: 14-byte file header, information header, pixels unchanged.
std::string EncodeBitmap(const CameraFrame& frame);

class SnapshotStore {
 public:
  // `view` may be null while there is no window to draw into.
  SnapshotStore(std::filesystem::path captureDir, StillView* view)
      : captureDir_(std::move(captureDir)), view_(view) {}

  void SetCaptureDir(std::filesystem::path dir) { captureDir_ = std::move(dir); }

  // The frame handler's first step. Only the first notice of a request (the one that clears the
  // grab request) writes a file; a frame whose bytes do not match its size writes nothing.
  // Always returns 0; a file that cannot be written leaves the pane and header copy as they were.
  int TakeSnapshot(FrameBuffer& buffer, const DeliveredFrame& delivered);

  // Draws `frame` with the header copy. 1 when it drew; 0 before the first snapshot, without a
  // pane, or when the frame is not of the size the header describes.
  int ShowStill(const CameraFrame& frame) const;

  int SnapshotCount() const { return snapshotCount_; }
  bool SnapshotWritten() const { return written_; }
  const BitmapInfoHeader& HeaderCopy() const { return headerCopy_; }
  std::filesystem::path LastFile() const { return captureDir_ / SnapshotFileName(snapshotCount_); }

 private:
  std::filesystem::path captureDir_;
  StillView* view_;
  int snapshotCount_ = 0;
  bool written_ = false;
  BitmapInfoHeader headerCopy_{};
};

}  // namespace orvex
