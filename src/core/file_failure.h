// A file the station could not write (or a graphic it could not read), with the system's reason,
// so that a message can say which file and why instead of blaming the graphic.
#pragma once

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

namespace orvex {

struct FileFailure {
  std::filesystem::path file;
  int error = 0;  // the errno of the first operation that failed; 0 while nothing failed

  bool Failed() const { return error != 0; }
  // "No space left on device", "Read-only file system", "Permission denied", ...
  std::string Reason() const { return std::generic_category().message(error); }
  // Keeps the first failure: later ones are usually its consequences.
  void Record(const std::filesystem::path& failedFile, int failedError) {
    if (Failed()) return;
    file = failedFile;
    error = failedError != 0 ? failedError : EIO;
  }
};

}  // namespace orvex
