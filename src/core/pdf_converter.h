// Turns the first page of a PDF into PostScript the path parser reads.
#pragma once

#include <string>

namespace orvex {

enum class PdfConversion {
  kConverted,    // the output file holds the converted PostScript
  kUnavailable,  // no converter could be started: the load reports it and ends
  kFailed,       // the converter ran but failed or timed out: the load ends with its reason
};

class PdfConverter {
 public:
  virtual ~PdfConverter() = default;

  // True when a converter is installed; PDF is offered only then.
  virtual bool Available() = 0;
  virtual PdfConversion Convert(const std::string& pdfPath, const std::string& postScriptPath) = 0;
  // Why the last conversion failed, in the converter's own words (one line); empty after a
  // success or when the converter gave no reason.
  virtual std::string FailureReason() const { return {}; }
};

}  // namespace orvex
