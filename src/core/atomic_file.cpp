#include "core/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
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

// The writer's PID in a temporary's name, or 0 when the name is no temporary of ours.
long TemporaryOwner(const std::string& name) {
  auto digitsAt = [&](std::size_t at, std::size_t& end) -> long {
    end = at;
    while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
    return end > at && end - at < 10 ? std::atol(name.substr(at, end - at).c_str()) : 0;
  };
  std::size_t end = 0;
  if (std::size_t at = name.rfind(".tmp."); name.size() > 1 && name[0] == '.' &&
                                             at != std::string::npos) {
    const long pid = digitsAt(at + 5, end);
    std::size_t counterEnd = 0;
    if (pid > 0 && end < name.size() && name[end] == '.' && digitsAt(end + 1, counterEnd) >= 0 &&
        counterEnd == name.size() && counterEnd > end + 1) {
      return pid;
    }
  }
  if (std::size_t at = name.rfind(".converting-"); at != std::string::npos) {
    const long pid = digitsAt(at + 12, end);
    std::size_t counterEnd = 0;
    if (pid > 0 && end < name.size() && name[end] == '-') {
      digitsAt(end + 1, counterEnd);
      if (counterEnd > end + 1 &&
          (counterEnd == name.size() || name.find('.', counterEnd) == counterEnd)) {
        return pid;
      }
    }
  }
  return 0;
}

bool ProcessIsRunning(long pid) {
  // EPERM: it runs, under another user.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

int RemoveOrphanedTemporaries(const std::filesystem::path& directory) {
  int removed = 0;
  std::error_code error;
  for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
       it.increment(error)) {
    const long pid = TemporaryOwner(it->path().filename().string());
    if (pid <= 0 || ProcessIsRunning(pid)) continue;
    std::error_code ignored;
    if (std::filesystem::remove(it->path(), ignored)) ++removed;
  }
  return removed;
}

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
