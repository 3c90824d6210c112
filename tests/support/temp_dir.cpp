#include "support/temp_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace orvex::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvex-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempDir::Write(std::string_view name, std::string_view contents) const {
  WriteFileBytes(File(name), contents);
}

std::string TempDir::Read(std::string_view name) const { return ReadFileBytes(File(name)); }

bool TempDir::Exists(std::string_view name) const { return std::filesystem::exists(File(name)); }

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

}  // namespace orvex::test
