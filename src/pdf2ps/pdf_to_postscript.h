// The first page of a PDF as PostScript that the job importer reads: every painted path in the
// page's default user space (all transformations of the PDF applied), closed subpaths closed by
// an explicit line, process colours as CMYK, dashes as two lengths. Works on bytes in memory so
// that the command-line tool and the fuzzer run the very same code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "pdf2ps/postscript_writer.h"

namespace orvex::pdf2ps {

enum class ConversionStatus {
  kConverted,
  kBroken,     // not a PDF, or damaged beyond repair
  kEncrypted,  // needs a password
  kNoPage,     // a PDF without a page
};

struct ConversionResult {
  ConversionStatus status = ConversionStatus::kBroken;
  std::string message;    // one line for the operator when not converted
  std::size_t paths = 0;  // painted paths written
};

// Writes the PostScript to `sink` only when the status is kConverted (nothing reaches it for a
// PDF that cannot be opened). `title` goes into the DSC header.
ConversionResult ConvertPdfToPostScript(const char* data, std::size_t size,
                                        const PostScriptSink& sink, std::string_view title);

}  // namespace orvex::pdf2ps
