// The PDF converters behind the PdfConverter port: our orvex-pdf2ps (paths in page space) and
// poppler's `pdftops -level2sep` as the fallback, each run as a child process with a time limit.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/pdf_converter.h"

namespace orvex {

inline constexpr std::chrono::milliseconds kPdfConversionTimeLimit{60'000};
inline constexpr const char* kOurConverterName = "orvex-pdf2ps";
inline constexpr const char* kFallbackConverterName = "pdftops";

// A converter program called as: program [fixed arguments...] SOURCE TARGET.
// The program writes a temporary file beside the target, which is renamed into place only when
// the program succeeded, so the target is either the whole conversion or absent.
class ChildProcessPdfConverter : public PdfConverter {
 public:
  ChildProcessPdfConverter(std::filesystem::path program, std::vector<std::string> fixedArguments,
                           std::chrono::milliseconds timeLimit = kPdfConversionTimeLimit);

  bool Available() override;
  PdfConversion Convert(const std::string& pdfPath, const std::string& postScriptPath) override;

  const std::filesystem::path& Program() const { return program_; }
  // The converter's own words about the last failure (one line), empty after a success.
  const std::string& LastMessage() const { return lastMessage_; }
  std::string FailureReason() const override { return lastMessage_; }

 private:
  std::filesystem::path program_;
  std::vector<std::string> fixedArguments_;
  std::chrono::milliseconds timeLimit_;
  std::string lastMessage_;
};

// No converter installed: PDF is not offered.
class NoPdfConverter : public PdfConverter {
 public:
  bool Available() override { return false; }
  PdfConversion Convert(const std::string&, const std::string&) override {
    return PdfConversion::kUnavailable;
  }
};

std::unique_ptr<ChildProcessPdfConverter> MakeOurPdfConverter(
    const std::filesystem::path& program,
    std::chrono::milliseconds timeLimit = kPdfConversionTimeLimit);
std::unique_ptr<ChildProcessPdfConverter> MakePdftopsPdfConverter(
    const std::filesystem::path& program,
    std::chrono::milliseconds timeLimit = kPdfConversionTimeLimit);

// Where the factory looks: our converter beside the running program first, then on the PATH;
// pdftops on the PATH.
struct PdfConverterSearch {
  std::filesystem::path besideDirectory;
  std::string pathList;
  std::chrono::milliseconds timeLimit = kPdfConversionTimeLimit;
};

// The search of the running program: its own directory and $PATH.
PdfConverterSearch DefaultPdfConverterSearch();

// A temporary file beside `target`, unique to this process and call, ending in `extension`;
// the program writes there and the result is renamed into place only when whole.
std::filesystem::path ConversionTemporary(const std::filesystem::path& target,
                                          const std::string& extension = "");
// A path as a program argument: a relative one that begins with "-" or "@" would be read as an
// option or an argument file, so it gets "./" in front.
std::string ProgramPathArgument(const std::filesystem::path& path);
// Our converter beside the running program, else on the search's PATH; empty when absent.
std::filesystem::path FindOurPdfConverter(const PdfConverterSearch& search);

// Ours when installed, else pdftops, else one that is not Available().
std::unique_ptr<PdfConverter> MakePdfConverter(const PdfConverterSearch& search);
std::unique_ptr<PdfConverter> MakePdfConverter();

}  // namespace orvex
