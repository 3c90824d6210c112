// Reads the cut-path files PSINT and TPSINT record by record, the way every consumer of them
// must: one letter with the white space after it, then four numbers for "L", eight for "C",
// none for a path start. Positions are byte offsets just after a record's letter and its white
// space, which is how the mark locator and the loader name a path. Streams through a fixed
// buffer: a job of any size is read in constant memory.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace orvex {

struct PathRecord {
  char letter = 0;           // 'M', 'O', 'L', 'C', or any other character met (to be ignored)
  long position = 0;         // offset just after the letter and the white space behind it
  std::array<float, 8> v{};  // L: x0 y0 x1 y1; C: x0 y0 x3 y3 x1 y1 x2 y2
  bool complete = true;      // false when a number of the record did not convert
};

class PathRecordStream {
 public:
  PathRecordStream() = default;
  ~PathRecordStream();
  PathRecordStream(const PathRecordStream&) = delete;
  PathRecordStream& operator=(const PathRecordStream&) = delete;

  bool Open(const std::filesystem::path& path);
  bool IsOpen() const { return file_ != nullptr; }
  void Close();

  // The next record; false at the end of the file. A number that does not convert ends its
  // record there (the fields left are 0, `complete` is false) and the reading goes on from the
  // offending character.
  bool Next(PathRecord& record);
  // Continues reading at `position` (an offset from the start of the file).
  bool Seek(long position);
  long Tell() const { return bufferStart_ + static_cast<long>(index_); }
  // When set, curve records are returned without their numbers (complete is false), read past
  // to the end of their line: for a scan that only looks at straight segments.
  void SkipCurveNumbers(bool skip) { skipCurveNumbers_ = skip; }

 private:
  // Makes at least `count` bytes available from index_ unless the file ends first.
  void Ensure(std::size_t count);
  void SkipSpace();
  bool ReadNumber(float& value);

  std::FILE* file_ = nullptr;
  std::vector<char> buffer_;
  std::size_t index_ = 0;
  std::size_t size_ = 0;
  long bufferStart_ = 0;
  bool eof_ = false;
  bool skipCurveNumbers_ = false;
};

}  // namespace orvex
