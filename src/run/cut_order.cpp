// Cutting order. The files are small enough (tens of megabytes for the largest jobs) to be
// held in memory while they are ordered, which turns the record seeks of the ordering into
// plain index jumps; outputs are built in memory and replace their files atomically.
#include "run/cut_order.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "core/atomic_file.h"
#include "run/contour_records.h"

namespace orvex {
namespace {

// Larger than any key a point on a sheet gives; a contour that keeps it has nothing to cut.
constexpr float kNoKey = 11000.0F;

bool ReadWholeFile(const std::filesystem::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// Clamps an offset from the run state to the text it refers to.
std::size_t ClampOffset(long offset, std::size_t size) {
  if (offset <= 0) return 0;
  return static_cast<std::size_t>(offset) < size ? static_cast<std::size_t>(offset) : size;
}

float ReachKey(float a, float b) {
  // Single precision, step by step, as the order of the cut depends on the last bit.
  float k = b * 0.05F;
  k = k + 1000.0F;
  k = k - a;
  return k;
}

void WriteClosedContour(std::string_view text, const ContourEntry& entry, std::string& out) {
  ContourRecordReader reader(text, entry.bestOffset);
  ContourRecord record;
  // From the best point to the contour's end; the best point starts the loop.
  bool first = true;
  while (reader.Next(record)) {
    if (IsContourStart(record.letter) || record.letter == 'A') break;
    if (!IsCutPoint(record)) continue;
    AppendContourRecord(out, first ? 'M' : record.letter, record.a, record.b);
    first = false;
  }
  // Then round from the contour's start back to the best point, closing the loop there.
  reader.Seek(entry.firstOffset);
  while (reader.Offset() <= entry.bestOffset) {
    std::size_t at = reader.Offset();
    if (!reader.Next(record)) break;
    if (IsCutPoint(record)) AppendContourRecord(out, 'L', record.a, record.b);
    if (at == entry.bestOffset) break;
  }
}

void WriteOpenContour(std::string_view text, const ContourEntry& entry, int passes,
                      std::string& out) {
  ContourRecordReader reader(text, entry.firstOffset);
  ContourRecord record;
  if (!reader.Next(record)) return;
  AppendContourRecord(out, passes == 1 ? 'M' : 'O', record.a, record.b);
  while (reader.Next(record)) {
    if (IsContourStart(record.letter) || record.letter == 'A') break;
    if (IsCutPoint(record)) AppendContourRecord(out, record.letter, record.a, record.b);
  }
}

}  // namespace

std::vector<ContourEntry> ScanContours(std::string_view text, std::size_t start, int reverseOrder,
                                       double& totalCutLength) {
  std::vector<ContourEntry> entries;
  ContourRecordReader reader(text, start);
  ContourRecord record;

  float best = kNoKey;
  ContourEntry current;  // the best point found so far in the current contour
  std::size_t contourFirst = 0;
  bool contourOpen = false;
  bool inContour = false;
  float prevA = 0.0F;
  float prevB = 0.0F;
  long tokens = 0;

  auto endContour = [&]() {
    ++tokens;
    // Only a contour with a chosen start point has anything to cut; one without (no cut point,
    // or none with a usable key) would otherwise be emitted from another contour's records.
    if (tokens > 1 && inContour && best < kNoKey) {
      current.key = reverseOrder != 0 ? static_cast<double>(tokens) : static_cast<double>(best);
      entries.push_back(current);
    }
    best = kNoKey;
    inContour = false;
  };

  while (true) {
    std::size_t offset = reader.Offset();
    if (!reader.Next(record)) break;
    switch (record.letter) {
      case 'L':
      case 'C': {
        // A point outside any contour is never cut, nor is a damaged one; nor may a damaged
        // point's length make the job's whole length no number (the finish check reads it).
        if (!inContour || record.values < 2 || !std::isfinite(record.a) ||
            !std::isfinite(record.b)) {
          break;
        }
        float k = ReachKey(record.a, record.b);
        if (k < best) {
          best = k;
          current.bestOffset = offset;
          current.firstOffset = contourFirst;
          current.open = contourOpen;
        }
        double da = static_cast<double>(record.a) - prevA;
        double db = static_cast<double>(record.b) - prevB;
        totalCutLength += std::sqrt(da * da + db * db);
        prevA = record.a;
        prevB = record.b;
        break;
      }
      case 'M':
      case 'O':
        prevA = record.a;
        prevB = record.b;
        endContour();
        inContour = true;
        contourFirst = offset;
        contourOpen = record.letter == 'O';
        // A contour whose best point is never set must not inherit the one before it.
        current = ContourEntry{};
        break;
      case 'A':
        endContour();
        break;
      default:
        break;
    }
  }
  // A list that ends without its closing A still has its last contour cut.
  if (inContour) endContour();
  return entries;
}

std::vector<std::size_t> CutOrder(const std::vector<ContourEntry>& entries) {
  std::vector<std::size_t> order;
  order.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].key > 0.0) order.push_back(i);
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t x, std::size_t y) { return entries[x].key > entries[y].key; });
  return order;
}

std::string OrderRecords(std::string_view input, long& specialEnd, int passes, int reverseOrder,
                         double& totalCutLength) {
  std::string out;
  out.reserve(input.size() + input.size() / 8 + 16);
  std::size_t start = ClampOffset(specialEnd, input.size());
  out.append(input.substr(0, start));
  specialEnd = static_cast<long>(start);

  std::vector<ContourEntry> entries = ScanContours(input, start, reverseOrder, totalCutLength);
  for (std::size_t index : CutOrder(entries)) {
    const ContourEntry& entry = entries[index];
    if (entry.open) {
      WriteOpenContour(input, entry, passes, out);
    } else {
      WriteClosedContour(input, entry, out);
    }
  }
  out.append("A\n");
  return out;
}

std::string ExpandPasses(std::string_view sortp, long specialEnd, int passes) {
  std::string out;
  std::size_t start = ClampOffset(specialEnd, sortp.size());
  out.reserve(sortp.size() * static_cast<std::size_t>(std::max(passes, 1)) + 64);
  out.append(sortp.substr(0, start));

  struct Point {
    char letter;
    float a;
    float b;
  };
  std::vector<Point> contour;
  ContourRecordReader reader(sortp, start);
  ContourRecord record;
  bool more = reader.Next(record);
  while (more && record.letter != 'A') {
    contour.clear();
    contour.push_back({record.letter, record.a, record.b});
    while ((more = reader.Next(record))) {
      if (IsContourStart(record.letter) || record.letter == 'A') break;
      contour.push_back({record.letter, record.a, record.b});
    }
    // Every repetition is the same text: format it once.
    const std::size_t begin = out.size();
    AppendContourRecord(out, 'M', contour[0].a, contour[0].b);
    for (std::size_t i = 1; i < contour.size(); ++i) {
      AppendContourRecord(out, contour[i].letter, contour[i].a, contour[i].b);
    }
    const std::size_t length = out.size() - begin;
    out.reserve(out.size() + length * static_cast<std::size_t>(passes - 1));
    for (int pass = 1; pass < passes; ++pass) out.append(out, begin, length);
    // A closed loop is cut a little past its start so that the blade leaves no uncut bridge.
    if (contour[0].letter == 'M' && contour.size() > 1) {
      const Point& second = contour[1];
      const Point& last = contour.back();
      double da = static_cast<double>(second.a) - last.a;
      double db = static_cast<double>(second.b) - last.b;
      double distance = std::sqrt(da * da + db * db);
      float a = second.a;
      float b = second.b;
      if (distance > 8.0) {
        a = static_cast<float>(last.a + 5.0 * da / distance);
        b = static_cast<float>(last.b + 5.0 * db / distance);
      }
      AppendContourRecord(out, 'L', a, b);
    }
  }
  return out;
}

std::string MirrorRecords(std::string_view sort, RunContext& ctx) {
  std::string out;
  out.reserve(sort.size() + sort.size() / 8 + 16);
  ContourRecordReader reader(sort);
  ContourRecord record;
  std::size_t specialLimit = ctx.specialCount > 0 ? ClampOffset(ctx.specialEnd, sort.size()) : 0;
  bool specialDone = ctx.specialCount <= 0;
  while (true) {
    std::size_t offset = reader.Offset();
    if (!reader.Next(record)) break;
    if (!specialDone && offset >= specialLimit) {
      ctx.specialEnd = static_cast<long>(out.size());
      specialDone = true;
    }
    float mirrored = ctx.secondMarkPos + 100.0F - record.a;
    AppendContourRecord(out, record.letter, mirrored, record.b);
  }
  if (!specialDone) ctx.specialEnd = static_cast<long>(out.size());
  ctx.secondMarkPos = ctx.secondMarkPos + 100.0F - ctx.firstMarkPos;
  ctx.firstMarkPos = 100.0F;
  return out;
}

int CountContourStarts(std::string_view text, long specialEnd) {
  ContourRecordReader reader(text, ClampOffset(specialEnd, text.size()));
  ContourRecord record;
  int count = 0;
  while (reader.Next(record)) {
    if (IsContourStart(record.letter)) ++count;
  }
  return count;
}

bool MirrorCuts(RunContext& ctx, const WorkDir& dir, std::string* error) {
  std::string sort;
  if (!ReadWholeFile(dir.File(workfile::kSort), sort)) {
    if (error) *error = "cannot read " + dir.File(workfile::kSort).string();
    return false;
  }
  RunContext updated = ctx;
  std::string mirrored = MirrorRecords(sort, updated);
  if (!WriteFileAtomically(dir.File(workfile::kSortMirror), mirrored)) {
    if (error) *error = "cannot write " + dir.File(workfile::kSortMirror).string();
    return false;
  }
  ctx.specialEnd = updated.specialEnd;
  ctx.firstMarkPos = updated.firstMarkPos;
  ctx.secondMarkPos = updated.secondMarkPos;
  return true;
}

OrderResult OrderCuts(RunContext& ctx, const WorkDir& dir) {
  OrderResult result;
  ctx.firstMarkPos = ctx.importFirstMark;
  ctx.secondMarkPos = ctx.importSecondMark;
  ctx.specialEnd = ctx.importSpecialEnd;
  // Without special contours there is no section to keep, whatever offset was left behind.
  if (ctx.specialCount <= 0) ctx.specialEnd = 0;
  int passes = std::max(ctx.passes, 1);

  const bool mirror = ctx.edgeMode != 0 && ctx.specialMode != 4;
  if (mirror && !MirrorCuts(ctx, dir, &result.error)) return result;

  std::string input;
  const auto inputPath = dir.File(mirror ? workfile::kSortMirror : workfile::kSort);
  if (!ReadWholeFile(inputPath, input)) {
    result.error = "cannot read " + inputPath.string();
    return result;
  }

  double length = 0.0;
  long specialEnd = ctx.specialEnd;
  std::string ordered = OrderRecords(input, specialEnd, passes, ctx.reverseOrder, length);
  ctx.totalCutLength = length;
  ctx.specialEnd = specialEnd;

  std::string sortx;
  if (passes == 1) {
    sortx = std::move(ordered);
  } else {
    if (!WriteFileAtomically(dir.File(workfile::kSortPasses), ordered)) {
      result.error = "cannot write " + dir.File(workfile::kSortPasses).string();
      return result;
    }
    sortx = ExpandPasses(ordered, ctx.specialEnd, passes);
  }
  if (!WriteFileAtomically(dir.File(workfile::kSortOrdered), sortx)) {
    result.error = "cannot write " + dir.File(workfile::kSortOrdered).string();
    return result;
  }
  result.orderedContours = CountContourStarts(sortx, ctx.specialEnd);
  result.ok = true;
  return result;
}

}  // namespace orvex
