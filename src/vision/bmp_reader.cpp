// The bitmap reader behind the frame diagnostics.
#include "vision/bmp_reader.h"

#include <cstdint>
#include <fstream>
#include <system_error>

namespace orvex {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::int64_t kMaxSide = 16384;

std::uint32_t U32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8U) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16U) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24U);
}

std::uint16_t U16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8U));
}

BmpReadResult Refuse(std::string message) {
  BmpReadResult result;
  result.message = std::move(message);
  return result;
}

}  // namespace

BmpReadResult DecodeBmp(std::string_view bytes) {
  if (bytes.size() < kFileHeaderBytes + kInfoHeaderBytes || bytes[0] != 'B' || bytes[1] != 'M') {
    return Refuse("not a BMP file");
  }
  const std::uint32_t pixelOffset = U32(bytes, 10);
  const std::uint32_t infoSize = U32(bytes, 14);
  if (infoSize < kInfoHeaderBytes || infoSize > bytes.size() - kFileHeaderBytes) {
    return Refuse("unsupported BMP header");
  }
  const auto width = static_cast<std::int32_t>(U32(bytes, 18));
  const auto height = static_cast<std::int32_t>(U32(bytes, 22));
  const std::uint16_t planes = U16(bytes, 26);
  const std::uint16_t bitsPerPixel = U16(bytes, 28);
  const std::uint32_t compression = U32(bytes, 30);
  if (bitsPerPixel != 24 || planes != 1) return Refuse("not a 24-bit BMP");
  if (compression != 0) return Refuse("compressed BMP files are not supported");
  if (height < 0) return Refuse("top-down BMP files are not supported (rows must be bottom-up)");
  if (width <= 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    return Refuse("BMP size out of range");
  }
  const auto stride = (static_cast<std::uint64_t>(width) * 3U + 3U) & ~std::uint64_t{3};
  const auto rowBytes = static_cast<std::size_t>(width) * 3U;
  if (pixelOffset < kFileHeaderBytes + infoSize ||
      static_cast<std::uint64_t>(pixelOffset) + stride * static_cast<std::uint64_t>(height) >
          bytes.size()) {
    return Refuse("BMP file is truncated");
  }
  BmpReadResult result;
  result.ok = true;
  result.frame.width = width;
  result.frame.height = height;
  result.frame.bytes.resize(rowBytes * static_cast<std::size_t>(height));
  for (std::int32_t r = 0; r < height; ++r) {
    const std::size_t from =
        pixelOffset + static_cast<std::size_t>(stride) * static_cast<std::size_t>(r);
    const auto* source = reinterpret_cast<const std::uint8_t*>(bytes.data() + from);
    std::copy(source, source + rowBytes,
              result.frame.bytes.begin() +
                  static_cast<std::ptrdiff_t>(rowBytes * static_cast<std::size_t>(r)));
  }
  return result;
}

BmpReadResult ReadBmpFile(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return Refuse("cannot read the file");
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return Refuse("cannot read the file");
  if (size > kMaxBmpFileBytes) return Refuse("file too large for a camera frame");
  std::ifstream in(path, std::ios::binary);
  if (!in) return Refuse("cannot read the file");
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  if (static_cast<std::uintmax_t>(in.gcount()) != size) return Refuse("cannot read the file");
  return DecodeBmp(bytes);
}

}  // namespace orvex
