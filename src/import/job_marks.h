// Finds a job's registration marks in the main cut file: the two lowest paths are the bottom
// marks, the path reaching highest is the top reference. Marks are taken from geometry alone,
// never from colour or name, so any drawing program's output works.
#pragma once

#include <array>
#include <filesystem>

#include "core/file_failure.h"

namespace orvex {

struct JobMarks {
  float leftX = 0.0F;   // centre x of the left bottom mark, relative to the job's minX
  float rightX = 0.0F;  // centre x of the right bottom mark
  float baseY = 0.0F;   // centre y of the lowest path, used for both bottom marks
  float topX = 0.0F;
  float topY = 0.0F;
  // PSINT positions of the paths the cut leaves out: left mark, right mark, left mark again.
  std::array<long, 3> excluded{};
  // False when the job has fewer than two paths to pair; such a job must be refused.
  bool pairFound = false;
  bool marksFileWritten = false;
  FileFailure marksFileFailure;  // why mk3.dat was not written
};

// Reads `psint`, writes `marksFile` (mk3.dat: three "x y" lines with six decimals) and returns
// the marks relative to (minX, minY).
JobMarks LocateJobMarks(const std::filesystem::path& psint, const std::filesystem::path& marksFile,
                        float minX, float minY);

// Centre-to-centre distance below which the bottom marks are refused.
inline constexpr float kMinMarkDistanceMm = 50.0F;

}  // namespace orvex
