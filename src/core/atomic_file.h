// Rewriting a file so that a crash or a kill at any moment leaves the old file or the new one,
// never a mix: write a temporary file beside it, flush and fsync it, rename it over the old one,
// fsync the directory.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

#include "core/file_failure.h"

namespace orvex {

// Replaces `path` with `contents`. Returns false (and leaves `path` untouched) on any failure,
// which `failure` (when given) then names with the system's reason.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         FileFailure* failure = nullptr);

// A file being written under a temporary name beside its destination. Commit() makes it the
// destination durably; a file never committed is removed when the object goes away.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::filesystem::path destination);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // The open temporary file (binary mode, read and write), or nullptr when it could not be made.
  std::FILE* File() const { return file_; }
  const std::filesystem::path& TemporaryPath() const { return temporary_; }
  // Flushes, syncs, closes and renames into place. False on any failure (the temporary is
  // removed and the destination is untouched).
  bool Commit();
  // Why the temporary could not be made or committed, or a write the caller recorded.
  const FileFailure& Failure() const { return failure_; }
  void RecordWriteError(int error) { failure_.Record(destination_, error); }

 private:
  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  std::FILE* file_ = nullptr;
  FileFailure failure_;
};

// Whether `directory` takes a new file: one is written, synced and removed. The failure names
// the directory itself (an empty file name) with the system's reason.
FileFailure ProbeWritable(const std::filesystem::path& directory);

// Removes the temporaries left in `directory` by writers that were killed mid-write: files named
// ".NAME.tmp.PID.N" (this file's writers) or "NAME.converting-PID-N[.ext]" (the converters')
// whose process is no longer running. A live process's temporaries are never touched. Returns
// how many were removed.
int RemoveOrphanedTemporaries(const std::filesystem::path& directory);

// fsyncs the directory holding `path`, so a rename into it survives a power cut.
bool SyncParentDirectory(const std::filesystem::path& path);

}  // namespace orvex
