#include "core/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
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
  ok = (std::fclose(file_) == 0) && ok;
  file_ = nullptr;
  if (ok) ok = ::rename(temporary_.c_str(), destination_.c_str()) == 0;
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
    return false;
  }
  SyncParentDirectory(destination_);
  return true;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents) {
  AtomicFileWriter writer(path);
  if (writer.File() == nullptr) return false;
  if (!contents.empty() &&
      std::fwrite(contents.data(), 1, contents.size(), writer.File()) != contents.size()) {
    return false;
  }
  return writer.Commit();
}

}  // namespace orvex
