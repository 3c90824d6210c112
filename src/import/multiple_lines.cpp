#include "import/multiple_lines.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <system_error>

#include "core/atomic_file.h"
#include "import/flattening.h"
#include "import/path_record_stream.h"

namespace orvex {
namespace {

constexpr double kQuarterTurn = 1.5707963705062866;  // pi/2 as a float, widened

struct Point {
  double x;
  double y;
};

void Line(std::string& out, char letter, Point a, Point b) {
  out += letter;
  out += ' ';
  for (double value : {a.x, a.y, b.x, b.y}) {
    AppendFixed2(out, value);
    out += ' ';
  }
  out += '\n';
}

// Start, end, first control, second control: the field order of a curve record.
void Curve(std::string& out, char letter, Point p0, Point p3, Point p1, Point p2,
           const char* ending) {
  out += letter;
  out += ' ';
  for (double value : {p0.x, p0.y, p3.x, p3.y, p1.x, p1.y, p2.x, p2.y}) {
    AppendFixed2(out, value);
    out += ' ';
  }
  out += ending;
}

// Angle of the direction from (fromX, fromY) to (toX, toY), measured the way the side offsets
// expect it (x difference first), kept in single precision.
float Heading(float fromX, float fromY, float toX, float toY) {
  return static_cast<float>(
      std::atan2(static_cast<double>(toX - fromX), static_cast<double>(toY - fromY)));
}

void LayStraight(std::string& out, const PathRecord& r, int n, double d) {
  float x0 = r.v[0], y0 = r.v[1], x1 = r.v[2], y1 = r.v[3];
  float a = Heading(x0, y0, x1, y1);
  double e = d * std::cos(static_cast<double>(a));
  double h = d * std::sin(static_cast<double>(a));
  Point a0{x0 - e, y0 + h}, a1{x1 - e, y1 + h};
  Point b0{x0 + e, y0 - h}, b1{x1 + e, y1 - h};
  const char letter = r.letter;
  out += "M \n";
  if (n <= 3) {
    Line(out, letter, a0, a1);
    out += "M \n";
    Line(out, letter, b1, b0);
  } else {
    Line(out, letter, a1, a0);
    Line(out, letter, a0, a1);
    out += "M \n";
    Line(out, letter, b0, b1);
    Line(out, letter, b1, b0);
  }
  if (n == 3 || n == 5) {
    out += "M \n";
    Line(out, letter, {x0, y0}, {x1, y1});
  }
}

void LayCurve(std::string& out, const PathRecord& r, int n, double d) {
  float p0x = r.v[0], p0y = r.v[1], p3x = r.v[2], p3y = r.v[3];
  float p1x = r.v[4], p1y = r.v[5], p2x = r.v[6], p2y = r.v[7];
  // A control point on its end point has no direction; the tangent there points at the next
  // distinct point of the curve. Taking atan2(0, 0) instead would lay the side lines along +x
  // whatever the curve does, so they would meet the drawn line.
  float a0;
  if (p1x != p0x || p1y != p0y) {
    a0 = Heading(p0x, p0y, p1x, p1y);
  } else if (p2x != p0x || p2y != p0y) {
    a0 = Heading(p0x, p0y, p2x, p2y);
  } else {
    a0 = Heading(p0x, p0y, p3x, p3y);
  }
  float a3;
  if (p2x != p3x || p2y != p3y) {
    a3 = Heading(p2x, p2y, p3x, p3y);
  } else if (p1x != p3x || p1y != p3y) {
    a3 = Heading(p1x, p1y, p3x, p3y);
  } else {
    a3 = Heading(p0x, p0y, p3x, p3y);
  }
  double o = d * std::cos(static_cast<double>(a0));
  double u = d * std::cos(kQuarterTurn - static_cast<double>(a0));
  double g = d * std::cos(static_cast<double>(a3));
  double k = d * std::cos(kQuarterTurn - static_cast<double>(a3));
  const char letter = r.letter;
  out += "M \n";
  Curve(out, letter, {p0x + o, p0y - u}, {p3x + g, p3y - k}, {p1x + o, p1y - u}, {p2x + g, p2y - k},
        "\n");
  out += "M \n";
  Curve(out, letter, {p3x - g, p3y + k}, {p0x - o, p0y + u}, {p2x - g, p2y + k}, {p1x - o, p1y + u},
        "\n");
  if (n == 3) {
    out += "M \n";
    Curve(out, letter, {p0x, p0y}, {p3x, p3y}, {p1x, p1y}, {p2x, p2y}, " \n");
  }
}

}  // namespace

MultipleLinesResult LayoutMultipleLines(const std::filesystem::path& specialFile,
                                        const std::filesystem::path& layoutFile, int lineCount,
                                        double spacingMm) {
  MultipleLinesResult result;
  PathRecordStream in;
  if (!in.Open(specialFile)) return result;
  std::FILE* out = std::fopen(layoutFile.c_str(), "wb");
  if (out == nullptr) return result;

  bool ok = true;
  std::string chunk;
  chunk.reserve(1 << 17);
  PathRecord record;
  while (in.Next(record)) {
    if ((record.letter != 'L' && record.letter != 'C') || !record.complete) continue;
    if (record.letter == 'L') {
      LayStraight(chunk, record, lineCount, spacingMm);
    } else {
      LayCurve(chunk, record, lineCount, spacingMm);
    }
    ++result.segments;
    if (chunk.size() >= (1 << 16)) {
      ok = ok && std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
      chunk.clear();
    }
  }
  in.Close();
  if (!chunk.empty()) ok = ok && std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
  ok = std::fflush(out) == 0 && ok;
  ok = ::fsync(::fileno(out)) == 0 && ok;
  ok = std::fclose(out) == 0 && ok;
  // The special file is replaced only by a complete layout, in one rename, so a full disk or a
  // crash leaves either the drawn special paths or the laid-out ones, never none.
  std::error_code error;
  if (ok) std::filesystem::rename(layoutFile, specialFile, error);
  if (!ok || error) {
    std::filesystem::remove(layoutFile, error);
    return result;
  }
  SyncParentDirectory(specialFile);
  result.ok = true;
  return result;
}

}  // namespace orvex
