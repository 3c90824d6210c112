// The Ghostscript route behind the EpsConverter port: Ghostscript's pdfwrite draws the EPS or
// PostScript into a PDF of its bounding box (every scale and transform of its producer applied),
// then our PDF converter turns that into the PostScript the parser reads. Both run as child
// processes without a shell and with a time limit.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "import/eps_converter.h"
#include "platform/pdf_converters.h"

namespace orvex {

inline constexpr const char* kGhostscriptName = "gs";

class GhostscriptEpsConverter : public EpsConverter {
 public:
  // `pdfConverter` must be ours: pdftops keeps the PDF's transforms, which is what this route
  // is there to undo.
  GhostscriptEpsConverter(std::filesystem::path ghostscript,
                          std::unique_ptr<ChildProcessPdfConverter> pdfConverter,
                          std::chrono::milliseconds timeLimit = kPdfConversionTimeLimit);

  bool Available() override;
  PdfConversion Convert(const std::string& epsPath, const std::string& postScriptPath) override;
  std::string FailureReason() const override { return reason_; }

 private:
  std::filesystem::path ghostscript_;
  std::unique_ptr<ChildProcessPdfConverter> pdf_;
  std::chrono::milliseconds timeLimit_;
  std::string reason_;
};

// Ghostscript on the PATH and our converter as MakePdfConverter finds it; a converter that is not
// Available() when either is missing.
std::unique_ptr<EpsConverter> MakeEpsConverter(const PdfConverterSearch& search);
std::unique_ptr<EpsConverter> MakeEpsConverter();

}  // namespace orvex
