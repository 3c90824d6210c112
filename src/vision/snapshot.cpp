// Snapshot files and the still display.
#include "vision/snapshot.h"

#include <cstdio>

#include "core/atomic_file.h"

namespace orvex {

namespace {

void Put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value & 0xFFU);
  at[1] = static_cast<std::uint8_t>((value >> 8U) & 0xFFU);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    at[i] = static_cast<std::uint8_t>((value >> (8U * static_cast<unsigned>(i))) & 0xFFU);
}

std::int32_t Get32(const std::uint8_t* at) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8U) |
      (static_cast<std::uint32_t>(at[2]) << 16U) | (static_cast<std::uint32_t>(at[3]) << 24U));
}

bool BytesMatchSize(const CameraFrame& frame) {
  return frame.width > 0 && frame.height > 0 &&
         frame.bytes.size() ==
             static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height) * 3U;
}

}  // namespace

std::string SnapshotFileName(int number) {
  char name[32];
  std::snprintf(name, sizeof name, "StillCap%4.4ld.bmp", static_cast<long>(number));
  return name;
}

BitmapInfoHeader MakeBitmapInfoHeader(int width, int height) {
  BitmapInfoHeader header{};
  Put32(&header[0], static_cast<std::uint32_t>(kBitmapInfoHeaderBytes));
  Put32(&header[4], static_cast<std::uint32_t>(width));
  Put32(&header[8], static_cast<std::uint32_t>(height));
  Put16(&header[12], 1);
  Put16(&header[14], 24);
  // compression, image size, resolutions and colour counts stay 0
  return header;
}

std::string EncodeBitmap(const CameraFrame& frame) {
  const std::size_t total = kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes + frame.bytes.size();
  std::string file(total, '\0');
  auto* out = reinterpret_cast<std::uint8_t*>(file.data());
  out[0] = 'B';
  out[1] = 'M';
  Put32(out + 2, static_cast<std::uint32_t>(total));
  Put32(out + 10, static_cast<std::uint32_t>(kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes));
  const BitmapInfoHeader info = MakeBitmapInfoHeader(frame.width, frame.height);
  std::copy(info.begin(), info.end(), out + kBitmapFileHeaderBytes);
  std::copy(frame.bytes.begin(), frame.bytes.end(),
            out + kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes);
  return file;
}

int SnapshotStore::TakeSnapshot(FrameBuffer& buffer, const DeliveredFrame& delivered) {
  if (!buffer.TakeGrabRequest()) return 0;
  if (snapshotCount_ < kLastSnapshotNumber) ++snapshotCount_;
  // A camera that refused 640x480 may deliver bytes that are not the picture its size claims;
  // such a frame is not written as a bitmap it is not.
  if (!BytesMatchSize(delivered.frame)) return 0;
  if (!WriteFileAtomically(captureDir_ / SnapshotFileName(snapshotCount_),
                           EncodeBitmap(delivered.frame))) {
    return 0;
  }
  written_ = true;
  headerCopy_ = MakeBitmapInfoHeader(delivered.frame.width, delivered.frame.height);
  ShowStill(delivered.frame);
  return 0;
}

int SnapshotStore::ShowStill(const CameraFrame& frame) const {
  if (!written_ || view_ == nullptr || frame.bytes.empty()) return 0;
  if (!BytesMatchSize(frame) || Get32(&headerCopy_[4]) != frame.width ||
      Get32(&headerCopy_[8]) != frame.height) {
    return 0;
  }
  view_->DrawStill(frame, headerCopy_);
  return 1;
}

}  // namespace orvex
