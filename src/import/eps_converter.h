// The second route for EPS and PostScript: the file is redrawn into PostScript whose paths are
// all in page space, for the graphics whose producers draw under a scale or a transform that
// the path parser does not follow. The loader owns this port; the platform runs Ghostscript
// and the PDF converter behind it, tests hand in a scripted one.
#pragma once

#include <string>

#include "core/pdf_converter.h"

namespace orvex {

class EpsConverter {
 public:
  virtual ~EpsConverter() = default;
  // True when every program of the route is installed.
  virtual bool Available() = 0;
  // Writes the redrawn PostScript to `postScriptPath` (whole or not at all).
  virtual PdfConversion Convert(const std::string& epsPath, const std::string& postScriptPath) = 0;
  // Why the last conversion failed, one line naming the program and its reason.
  virtual std::string FailureReason() const = 0;
};

}  // namespace orvex
