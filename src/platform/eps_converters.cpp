// The Ghostscript route; see eps_converters.h.
#include "platform/eps_converters.h"

#include <system_error>
#include <vector>

#include "platform/child_process.h"

namespace orvex {
namespace {

// Ghostscript reads "%d"-style page numbers in its output name; a literal "%" is "%%".
std::string OutputFileArgument(const std::filesystem::path& path) {
  std::string escaped;
  for (char c : path.string()) {
    escaped += c;
    if (c == '%') escaped += '%';
  }
  return "-sOutputFile=" + escaped;
}

// The line that says what went wrong ("Error: /undefined in ..."), else the last one.
std::string GhostscriptReason(const std::string& output) {
  std::size_t begin = 0;
  std::string last;
  while (begin < output.size()) {
    std::size_t end = output.find('\n', begin);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(begin, end - begin);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.find("Error:") != std::string::npos) return line;
    if (!line.empty()) last = line;
    begin = end + 1;
  }
  return last;
}

}  // namespace

GhostscriptEpsConverter::GhostscriptEpsConverter(
    std::filesystem::path ghostscript, std::unique_ptr<ChildProcessPdfConverter> pdfConverter,
    std::chrono::milliseconds timeLimit)
    : ghostscript_(std::move(ghostscript)), pdf_(std::move(pdfConverter)), timeLimit_(timeLimit) {}

bool GhostscriptEpsConverter::Available() {
  return IsExecutableFile(ghostscript_) && pdf_ != nullptr && pdf_->Available();
}

PdfConversion GhostscriptEpsConverter::Convert(const std::string& epsPath,
                                               const std::string& postScriptPath) {
  reason_.clear();
  if (!Available()) {
    reason_ = "Ghostscript (gs) or orvex-pdf2ps is not installed";
    return PdfConversion::kUnavailable;
  }
  const std::filesystem::path pdf = ConversionTemporary(postScriptPath, ".pdf");
  // -dSAFER: the graphic may not touch files; -dEPSCrop: the page is its bounding box.
  const std::vector<std::string> argv = {ghostscript_.string(), "-q",
                                         "-dSAFER",             "-dBATCH",
                                         "-dNOPAUSE",           "-dEPSCrop",
                                         "-sDEVICE=pdfwrite",   OutputFileArgument(pdf),
                                         ProgramPathArgument(epsPath)};
  const ChildOutcome drawn = RunChildProcess(argv, timeLimit_);
  std::error_code error;
  PdfConversion result = PdfConversion::kFailed;
  if (!drawn.started) {
    reason_ = "gs: cannot be started";
    result = PdfConversion::kUnavailable;
  } else if (drawn.timedOut) {
    reason_ = "gs: no result within " + std::to_string(timeLimit_.count() / 1000) + " s, stopped";
  } else if (!drawn.Succeeded() || !std::filesystem::is_regular_file(pdf, error)) {
    const std::string said = GhostscriptReason(drawn.output);
    reason_ = "gs: " + (said.empty() ? "failed (exit " + std::to_string(drawn.exitCode) + ")"
                                     : said);
  } else {
    result = pdf_->Convert(pdf.string(), postScriptPath);
    if (result != PdfConversion::kConverted) reason_ = pdf_->FailureReason();
  }
  std::filesystem::remove(pdf, error);
  return result;
}

std::unique_ptr<EpsConverter> MakeEpsConverter(const PdfConverterSearch& search) {
  const std::filesystem::path ours = FindOurPdfConverter(search);
  return std::make_unique<GhostscriptEpsConverter>(
      FindOnPath(kGhostscriptName, search.pathList),
      ours.empty() ? nullptr : MakeOurPdfConverter(ours, search.timeLimit), search.timeLimit);
}

std::unique_ptr<EpsConverter> MakeEpsConverter() {
  return MakeEpsConverter(DefaultPdfConverterSearch());
}

}  // namespace orvex
