#include "core/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <system_error>

namespace orvex {
namespace {

std::filesystem::path TemporaryBeside(const std::filesystem::path& destination) {
  // Unique per process and per call, so concurrent writers never share a temporary.
  static std::atomic<unsigned> counter{0};
  std::string name = "." + destination.filename().string() + ".tmp." +
                     std::to_string(::getpid()) + "." + std::to_string(counter++);
  return destination.parent_path() / name;
}

}  // namespace

bool SyncParentDirectory(const std::filesystem::path& path) {
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

AtomicFileWriter::AtomicFileWriter(std::filesystem::path destination)
    : destination_(std::move(destination)), temporary_(TemporaryBeside(destination_)) {
  file_ = std::fopen(temporary_.c_str(), "w+b");
  if (file_ == nullptr) failure_.Record(destination_, errno);
}

AtomicFileWriter::~AtomicFileWriter() {
  if (file_ != nullptr) {
    std::fclose(file_);
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
  }
}

bool AtomicFileWriter::Commit() {
  if (file_ == nullptr) return false;
  bool ok = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
  if (!ok) failure_.Record(destination_, errno);
  if (std::fclose(file_) != 0) {
    failure_.Record(destination_, errno);
    ok = false;
  }
  file_ = nullptr;
  if (ok && ::rename(temporary_.c_str(), destination_.c_str()) != 0) {
    failure_.Record(destination_, errno);
    ok = false;
  }
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
    return false;
  }
  SyncParentDirectory(destination_);
  return true;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents,
                         FileFailure* failure) {
  AtomicFileWriter writer(path);
  bool ok = writer.File() != nullptr;
  if (ok && !contents.empty() &&
      std::fwrite(contents.data(), 1, contents.size(), writer.File()) != contents.size()) {
    writer.RecordWriteError(errno);
    ok = false;
  }
  ok = ok && writer.Commit();
  if (!ok && failure != nullptr) *failure = writer.Failure();
  return ok;
}

FileFailure ProbeWritable(const std::filesystem::path& directory) {
  FileFailure failure;
  const std::filesystem::path probe = directory / ".write-probe";
  if (!WriteFileAtomically(probe, "probe\n", &failure)) {
    failure.file = directory / "";
    return failure;
  }
  std::error_code ignored;
  std::filesystem::remove(probe, ignored);
  return failure;
}

}  // namespace orvex
