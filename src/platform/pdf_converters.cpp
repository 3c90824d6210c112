// PDF converters as child processes; see pdf_converters.h.
#include "platform/pdf_converters.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <system_error>

#include "platform/child_process.h"

namespace orvex {
namespace {

// The last non-empty line of what the converter said, for the operator's log.
std::string LastLine(const std::string& output) {
  std::size_t end = output.find_last_not_of(" \t\r\n");
  if (end == std::string::npos) return {};
  std::size_t begin = output.find_last_of('\n', end);
  begin = begin == std::string::npos ? 0 : begin + 1;
  return output.substr(begin, end - begin + 1);
}

}  // namespace

std::filesystem::path ConversionTemporary(const std::filesystem::path& target,
                                          const std::string& extension) {
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temporary = target;
  temporary += ".converting-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
               extension;
  return temporary;
}

std::string ProgramPathArgument(const std::filesystem::path& path) {
  const std::string text = path.string();
  if (!text.empty() && (text[0] == '-' || text[0] == '@')) return "./" + text;
  return text;
}

std::filesystem::path FindOurPdfConverter(const PdfConverterSearch& search) {
  if (!search.besideDirectory.empty() &&
      IsExecutableFile(search.besideDirectory / kOurConverterName)) {
    return search.besideDirectory / kOurConverterName;
  }
  return FindOnPath(kOurConverterName, search.pathList);
}

ChildProcessPdfConverter::ChildProcessPdfConverter(std::filesystem::path program,
                                                   std::vector<std::string> fixedArguments,
                                                   std::chrono::milliseconds timeLimit)
    : program_(std::move(program)), fixedArguments_(std::move(fixedArguments)),
      timeLimit_(timeLimit) {}

bool ChildProcessPdfConverter::Available() { return IsExecutableFile(program_); }

PdfConversion ChildProcessPdfConverter::Convert(const std::string& pdfPath,
                                                const std::string& postScriptPath) {
  lastMessage_.clear();
  if (!Available()) {
    lastMessage_ = program_.string() + ": not installed";
    return PdfConversion::kUnavailable;
  }
  const std::filesystem::path target = postScriptPath;
  const std::filesystem::path temporary = ConversionTemporary(target);
  std::vector<std::string> argv;
  argv.push_back(program_.string());
  argv.insert(argv.end(), fixedArguments_.begin(), fixedArguments_.end());
  argv.push_back(ProgramPathArgument(pdfPath));
  argv.push_back(ProgramPathArgument(temporary));

  const ChildOutcome outcome = RunChildProcess(argv, timeLimit_);
  std::error_code error;
  if (!outcome.started) {
    std::filesystem::remove(temporary, error);
    lastMessage_ = program_.string() + ": cannot be started";
    return PdfConversion::kUnavailable;
  }
  // pdftops can exit 0 without having written anything (e.g. no pages); only a file counts.
  if (outcome.Succeeded() && std::filesystem::is_regular_file(temporary, error)) {
    std::filesystem::rename(temporary, target, error);
    if (!error) return PdfConversion::kConverted;
    lastMessage_ = "cannot move the converted file into place: " + error.message();
  } else if (outcome.timedOut) {
    lastMessage_ = program_.filename().string() + ": no result within " +
                   std::to_string(timeLimit_.count() / 1000) + " s, stopped";
  } else {
    lastMessage_ = LastLine(outcome.output);
    if (lastMessage_.empty()) {
      lastMessage_ = program_.filename().string() + " failed (" +
                     (outcome.signal != 0 ? "signal " + std::to_string(outcome.signal)
                                          : "exit " + std::to_string(outcome.exitCode)) +
                     ")";
    }
  }
  std::filesystem::remove(temporary, error);
  return PdfConversion::kFailed;
}

std::unique_ptr<ChildProcessPdfConverter> MakeOurPdfConverter(
    const std::filesystem::path& program, std::chrono::milliseconds timeLimit) {
  return std::make_unique<ChildProcessPdfConverter>(program, std::vector<std::string>{},
                                                    timeLimit);
}

std::unique_ptr<ChildProcessPdfConverter> MakePdftopsPdfConverter(
    const std::filesystem::path& program, std::chrono::milliseconds timeLimit) {
  // -level2sep: colours as `k`/`K` in CMYK, the only colour operators the parser reads.
  return std::make_unique<ChildProcessPdfConverter>(
      program, std::vector<std::string>{"-level2sep"}, timeLimit);
}

PdfConverterSearch DefaultPdfConverterSearch() {
  PdfConverterSearch search;
  search.besideDirectory = RunningExecutableDirectory();
  const char* path = std::getenv("PATH");
  search.pathList = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  return search;
}

std::unique_ptr<PdfConverter> MakePdfConverter(const PdfConverterSearch& search) {
  const std::filesystem::path ours = FindOurPdfConverter(search);
  if (!ours.empty()) return MakeOurPdfConverter(ours, search.timeLimit);
  const std::filesystem::path pdftops = FindOnPath(kFallbackConverterName, search.pathList);
  if (!pdftops.empty()) return MakePdftopsPdfConverter(pdftops, search.timeLimit);
  return std::make_unique<NoPdfConverter>();
}

std::unique_ptr<PdfConverter> MakePdfConverter() {
  return MakePdfConverter(DefaultPdfConverterSearch());
}

}  // namespace orvex
