// A fresh directory per test, removed afterwards; the working directory of most tests.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvex::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path File(std::string_view name) const { return path_ / name; }

  // Whole-file helpers (binary, byte for byte).
  void Write(std::string_view name, std::string_view contents) const;
  std::string Read(std::string_view name) const;
  bool Exists(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, std::string_view contents);

}  // namespace orvex::test
