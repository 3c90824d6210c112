#include "import/job_marks.h"

#include <algorithm>
#include <string>

#include "core/atomic_file.h"
#include "import/flattening.h"
#include "import/path_record_stream.h"

namespace orvex {
namespace {

constexpr float kNoLow = 998877.0F;
constexpr double kTolerance = 0.1;

struct Centre {
  float x = 0.0F;
  float y = 0.0F;
};

// Centre of the box around the first four numbers of every segment of the path at `position`.
// A path without segments (or no path at all, position 0) has its centre at the origin.
Centre PathCentre(PathRecordStream& stream, long position) {
  if (position <= 0 || !stream.Seek(position)) return {};
  float minX = 0, maxX = 0, minY = 0, maxY = 0;
  bool any = false;
  PathRecord record;
  while (stream.Next(record)) {
    if (record.letter == 'M' || record.letter == 'O') break;
    if ((record.letter != 'L' && record.letter != 'C') || !record.complete) continue;
    for (int i = 0; i < 4; i += 2) {
      float x = record.v[static_cast<std::size_t>(i)];
      float y = record.v[static_cast<std::size_t>(i) + 1];
      if (!any) {
        minX = maxX = x;
        minY = maxY = y;
        any = true;
      } else {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
  }
  if (!any) return {};
  return {(minX + maxX) / 2.0F, (minY + maxY) / 2.0F};
}

}  // namespace

JobMarks LocateJobMarks(const std::filesystem::path& psint, const std::filesystem::path& marksFile,
                        float minX, float minY) {
  JobMarks marks;
  long bestLowPos = 0;
  long runnerUpPos = 0;
  long bestHighPos = 0;
  float bestLow = kNoLow;
  float bestHigh = 0.0F;

  PathRecordStream stream;
  if (stream.Open(psint)) {
    stream.SkipCurveNumbers(true);  // only straight segments decide the lowest and highest path
    float pathLow = kNoLow;
    float pathHigh = 0.0F;
    long pathPos = 0;
    bool inPath = false;
    auto judge = [&] {
      // Of two paths whose lowest points lie within the tolerance, the later one wins and the
      // earlier one is kept as runner-up: two bottom marks on one line end as the pair.
      if (pathLow < bestLow + kTolerance) {
        runnerUpPos = bestLowPos;
        bestLowPos = pathPos;
        bestLow = pathLow;
        pathLow = kNoLow;
      }
      if (pathHigh + kTolerance > bestHigh) {
        bestHighPos = pathPos;
        bestHigh = pathHigh;
        pathHigh = 0.0F;
      }
    };
    PathRecord record;
    while (stream.Next(record)) {
      if (record.letter == 'M' || record.letter == 'O') {
        if (inPath) judge();
        inPath = true;
        pathPos = record.position;
      } else if (record.letter == 'L' && record.complete) {
        float y0 = record.v[1];
        float y1 = record.v[3];
        if (y0 <= pathLow || y1 <= pathLow) pathLow = std::min(y0, y1);
        if (y0 >= pathHigh || y1 >= pathHigh) pathHigh = std::max(y0, y1);
      }
    }
    if (inPath) judge();
  }

  stream.SkipCurveNumbers(false);
  Centre low = PathCentre(stream, bestLowPos);
  Centre runnerUp = PathCentre(stream, runnerUpPos);
  Centre top = PathCentre(stream, bestHighPos);
  stream.Close();

  long leftPos, rightPos;
  if (runnerUp.x > low.x) {
    marks.leftX = low.x - minX;
    marks.rightX = runnerUp.x - minX;
    leftPos = bestLowPos;
    rightPos = runnerUpPos;
  } else {
    marks.leftX = runnerUp.x - minX;
    marks.rightX = low.x - minX;
    leftPos = runnerUpPos;
    rightPos = bestLowPos;
  }
  marks.baseY = low.y - minY;
  marks.topX = top.x - minX;
  marks.topY = top.y - minY;
  marks.excluded = {leftPos, rightPos, leftPos};
  marks.pairFound = bestLowPos > 0 && runnerUpPos > 0;

  std::string text;
  const float values[6] = {marks.leftX, marks.baseY, marks.rightX,
                           marks.baseY, marks.topX,  marks.topY};
  for (int i = 0; i < 6; ++i) {
    AppendFixed6(text, values[i]);
    text += (i % 2 == 0) ? ' ' : '\n';
  }
  marks.marksFileWritten = WriteFileAtomically(marksFile, text, &marks.marksFileFailure);
  return marks;
}

}  // namespace orvex
