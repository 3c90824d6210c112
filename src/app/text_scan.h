// Reading the operator's small text files byte for byte: whole-file reads and a scanner that
// takes decimal integers and counted runs of bytes the way the files were written, refusing
// anything that does not fit instead of guessing.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvex::text {

// The file's bytes; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);
// At most the first `maxBytes` bytes: for files of which only a short head matters, so that a
// wrong choice of file (a huge one) costs nothing.
std::optional<std::string> ReadFileHead(const std::filesystem::path& path, std::size_t maxBytes);

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  // White space skipped, then an optional sign and decimal digits. nullopt (position
  // unchanged) without digits or when the number does not fit an int.
  std::optional<int> Int();
  // Exactly `count` bytes; nullopt when fewer are left.
  std::optional<std::string_view> Take(std::size_t count);
  // One byte that must be `c`.
  bool Expect(char c);
  // White space skipped, then a run of non-space bytes (possibly empty at the end).
  std::string_view Word();
  void SkipSpace();

  bool AtEnd() const { return pos_ >= text_.size(); }
  std::size_t Position() const { return pos_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace orvex::text
