// A working directory on a tmpfs of a few KiB (to fill it) or mounted read-only, for the tests
// of what a load says when the directory refuses its files. Mounting needs root; without it
// Mounted() is false and the test says why it skips.
#pragma once

#include <cstddef>
#include <filesystem>

#include "support/temp_dir.h"

namespace orvex::test {

class SmallTmpfs {
 public:
  SmallTmpfs(std::size_t kibibytes, bool readOnly = false);
  ~SmallTmpfs();
  SmallTmpfs(const SmallTmpfs&) = delete;
  SmallTmpfs& operator=(const SmallTmpfs&) = delete;

  bool Mounted() const { return mounted_; }
  const std::filesystem::path& Path() const { return dir_.Path(); }
  // Remounts read-only (after the test has put the previous job's files in place).
  bool MakeReadOnly();
  // Fills what is left with a file, so that the next write finds no space.
  void Fill() const;

 private:
  TempDir dir_;
  bool mounted_ = false;
};

}  // namespace orvex::test
