#include "import/dsc_comments.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace orvex {
namespace {

constexpr double kPointsPerMm = 2.83465;
// Header comments come first and the trailer is short; this much of each end holds them.
constexpr std::int64_t kEndBytes = 64 * 1024;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string ReadAt(std::FILE* file, std::int64_t offset, std::int64_t count) {
  std::string bytes(static_cast<std::size_t>(count > 0 ? count : 0), '\0');
  if (bytes.empty() || ::fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return {};
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  return bytes;
}

std::uint32_t LittleEndian32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

// The four numbers after `key` at `at`, when they make a box with a size.
std::optional<DeclaredBox> BoxAfter(std::string_view text, std::size_t at, std::string_view key) {
  std::size_t end = text.find_first_of("\r\n", at);
  std::string line(text.substr(at + key.size(), end == std::string_view::npos ? end : end - at -
                                                                                      key.size()));
  double v[4];
  const char* p = line.c_str();
  for (double& value : v) {
    char* next = nullptr;
    value = std::strtod(p, &next);
    if (next == p || !std::isfinite(value)) return std::nullopt;
    p = next;
  }
  if (!(v[2] > v[0]) || !(v[3] > v[1])) return std::nullopt;
  return DeclaredBox{v[0], v[1], v[2], v[3]};
}

// The box declared under `key`: in the header, or in the trailer when the header defers it.
std::optional<DeclaredBox> FindBox(std::string_view head, std::string_view tail,
                                   std::string_view key) {
  std::size_t at = head.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  if (auto box = BoxAfter(head, at, key)) return box;
  if (head.substr(at + key.size(), 16).find("(atend)") == std::string_view::npos) {
    return std::nullopt;
  }
  at = tail.rfind(key);
  return at == std::string_view::npos ? std::nullopt : BoxAfter(tail, at, key);
}

}  // namespace

double DeclaredBox::WidthMm() const { return (x2 - x1) / kPointsPerMm; }
double DeclaredBox::HeightMm() const { return (y2 - y1) / kPointsPerMm; }

DscFacts ReadDscFacts(const std::filesystem::path& path) {
  DscFacts facts;
  File file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file || ::fseeko(file.get(), 0, SEEK_END) != 0) return facts;
  const std::int64_t size = ::ftello(file.get());
  std::int64_t begin = 0;
  std::int64_t end = size;
  // A DOS EPS: a binary header giving where its PostScript section lies.
  const std::string header = ReadAt(file.get(), 0, 12);
  if (header.size() == 12 && header.compare(0, 4, "\xC5\xD0\xD3\xC6") == 0) {
    begin = LittleEndian32(header, 4);
    end = std::min<std::int64_t>(size, begin + LittleEndian32(header, 8));
  }
  if (end <= begin) return facts;
  const std::string head = ReadAt(file.get(), begin, std::min(kEndBytes, end - begin));
  const std::int64_t tailStart = std::max(begin, end - kEndBytes);
  const std::string tail = ReadAt(file.get(), tailStart, end - tailStart);
  facts.structured = head.rfind("%!", 0) == 0 || head.rfind("%PDF", 0) == 0;
  if (!facts.structured) return facts;
  facts.boundingBox = FindBox(head, tail, "%%HiResBoundingBox:");
  if (!facts.boundingBox) facts.boundingBox = FindBox(head, tail, "%%BoundingBox:");
  facts.reachesEnd = tail.find("%%EOF") != std::string::npos ||
                     tail.find("%%Trailer") != std::string::npos;
  return facts;
}

}  // namespace orvex
