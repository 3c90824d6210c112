// Rewriting a file so that a crash or a kill at any moment leaves the old file or the new one,
// never a mix: write a temporary file beside it, flush and fsync it, rename it over the old one,
// fsync the directory.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace orvex {

// Replaces `path` with `contents`. Returns false (and leaves `path` untouched) on any failure.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents);

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

 private:
  std::filesystem::path destination_;
  std::filesystem::path temporary_;
  std::FILE* file_ = nullptr;
};

// fsyncs the directory holding `path`, so a rename into it survives a power cut.
bool SyncParentDirectory(const std::filesystem::path& path);

}  // namespace orvex
