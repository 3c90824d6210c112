// orvex-pdf2ps IN.pdf OUT.ps: the first page of a PDF as PostScript for the job importer.
// Exit 0 when converted; otherwise a one-line message on stderr and OUT.ps untouched (the
// result is written beside it and renamed into place only when complete).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/atomic_file.h"
#include "pdf2ps/pdf_to_postscript.h"

namespace {

constexpr int kExitConverted = 0;
constexpr int kExitUsage = 2;
constexpr int kExitUnreadable = 3;
constexpr int kExitBroken = 4;
constexpr int kExitEncrypted = 5;
constexpr int kExitNoPage = 6;
constexpr int kExitUnwritable = 7;

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "orvex-pdf2ps: %s\n", message.c_str());
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: orvex-pdf2ps IN.pdf OUT.ps\n");
    return kExitUsage;
  }
  const std::filesystem::path input = argv[1];
  const std::filesystem::path output = argv[2];

  std::ifstream file(input, std::ios::binary);
  if (!file) return Fail(kExitUnreadable, "cannot open " + input.string() + ": " + std::strerror(errno));
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return Fail(kExitUnreadable, "cannot read " + input.string());

  orvex::AtomicFileWriter writer(output);
  std::FILE* out = writer.File();
  if (out == nullptr) return Fail(kExitUnwritable, "cannot create " + output.string());
  bool writeFailed = false;
  auto sink = [out, &writeFailed](std::string_view chunk) {
    if (!writeFailed && std::fwrite(chunk.data(), 1, chunk.size(), out) != chunk.size()) {
      writeFailed = true;
    }
  };
  const auto result = orvex::pdf2ps::ConvertPdfToPostScript(bytes.data(), bytes.size(), sink,
                                                            input.filename().string());
  switch (result.status) {
    case orvex::pdf2ps::ConversionStatus::kConverted:
      break;
    case orvex::pdf2ps::ConversionStatus::kEncrypted:
      return Fail(kExitEncrypted, input.string() + ": " + result.message);
    case orvex::pdf2ps::ConversionStatus::kNoPage:
      return Fail(kExitNoPage, input.string() + ": " + result.message);
    case orvex::pdf2ps::ConversionStatus::kBroken:
      return Fail(kExitBroken, input.string() + ": " + result.message);
  }
  if (writeFailed || !writer.Commit()) {
    return Fail(kExitUnwritable, "cannot write " + output.string() + ": " + std::strerror(errno));
  }
  return kExitConverted;
}
