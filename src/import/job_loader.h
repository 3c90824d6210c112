// Loading a job: choose the graphic (or take the last one), convert a PDF, parse it into the
// cut-path files, check the registration marks, flatten every path into sort.prn while drawing
// the preview, and set the window and the run context up for the new job. Every outcome the
// operator must act on is a message through the view.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/file_failure.h"
#include "core/pdf_converter.h"
#include "core/profile.h"
#include "core/run_context.h"
#include "core/work_dir.h"
#include "import/eps_converter.h"
#include "import/graphic_parser.h"
#include "import/job_marks.h"
#include "import/loader_view.h"
#include "import/preview_canvas.h"

namespace orvex {

// Operator messages of a load, exactly as shown.
namespace loader_text {
inline constexpr std::string_view kConverterMissing = "Load pdftops.dll failed!";
inline constexpr std::string_view kFileNotFound = "File not found";
inline constexpr std::string_view kParseFailed =
    "Graphic file not saved correctly\nPlease check the instructions";
inline constexpr std::string_view kMarksError =
    "Black marks not aligned or overlapped\nPlease check the graphic design. ";
inline constexpr std::string_view kMarksCaption = "Black marks error !";
inline constexpr std::string_view kCurrentJobPrefix = "Current job: ";

// Messages of this station beyond the classic ones: they name the file and the system's reason
// so that the operator is not sent to fix a graphic that is fine.
// A working file (or, with an empty name, the directory itself) could not be written.
std::string WorkFileNotWritten(const FileFailure& failure);
// The chosen graphic exists but cannot be read.
std::string GraphicNotReadable(const FileFailure& failure);
// The classic bad-graphic message with the converter's reason below it.
std::string ParseFailedBecause(std::string_view reason);
// An EPS or AI that ends before its %%EOF/%%Trailer.
std::string TruncatedGraphic(const std::string& path);
}  // namespace loader_text

// How the graphic reached the parser.
enum class ImportRoute {
  kNone,         // not parsed
  kParser,       // the file itself, byte for byte
  kPdf,          // a PDF through the PDF converter
  kGhostscript,  // an EPS/PostScript redrawn by Ghostscript, then through the PDF converter
};

enum class LoadOutcome {
  kEnded,   // nothing chosen, converter missing, or the file is not there
  kFailed,  // the parse or the mark check refused the job
  kLoaded,
};

// What the last load did, for the preflight summary and for tests.
struct LoadReport {
  LoadOutcome outcome = LoadOutcome::kEnded;
  std::string message;  // the operator message, when one was shown
  int kind = kKindNone;
  std::string jobPath;     // the job's own file, the PDF for a PDF job
  std::string parsedPath;  // the file parsed: the job's, or the PDF's conversion (out.ps)
  GraphicSummary summary;
  JobMarks marks;
  bool hasSpecial = false;
  long specialEnd = 0;
  long cutContours = 0;      // path starts written in the cut section, marks left out
  long specialContours = 0;  // path starts written in the special section
  double cutLengthMm = 0.0;  // length of the cut section's lines and flattened curves
  int multiLineCount = 1;
  ImportRoute route = ImportRoute::kNone;
  std::string converterReason;  // why a converter failed, in its own words
  std::vector<std::string> warnings;
};

class JobLoader {
 public:
  JobLoader(RunContext& context, WorkDir workDir, LoaderView& view, PreviewCanvas& canvas,
            Profile& profile);

  // Optional collaborators; each may be left unset.
  void SetPdfConverter(PdfConverter* converter) { pdf_ = converter; }
  void SetEpsConverter(EpsConverter* converter) { eps_ = converter; }
  void SetCameraGraph(CameraGraphControl* camera) { camera_ = camera; }
  void SetRecentJobs(RecentJobs* recent) { recent_ = recent; }
  void SetClock(Clock* clock) { clock_ = clock; }
  void SetParserFactory(GraphicParserFactory factory) { parserFactory_ = std::move(factory); }

  // " File Open".
  const LoadReport& LoadJob();
  // "Open last job": the same load, taking the profile's last job instead of asking.
  const LoadReport& OpenLastJob();

  const LoadReport& Report() const { return report_; }

  // The file dialog's filter list, with or without PDF.
  static std::vector<FileFilter> Filters(bool pdfAvailable);
  // Import kind from a file's extension (without its dot), spelled as the dialog offers it.
  static int KindFromExtension(std::string_view extension);
  static bool IsPdfExtension(std::string_view extension);

 private:
  void Show(OperatorMessage message);
  // Ends a load that got past the choice of the file, with an error message.
  const LoadReport& Refuse(std::string text);
  enum class Conversion { kConverted, kEnded, kFailed };
  // Converts the PDF into the working directory's out.ps, named in `parsePath`.
  Conversion Convert(const std::string& pdfPath, std::string& parsePath);
  // Runs the parser over `parsePath`, and for an EPS the parser cannot read true to size the
  // Ghostscript route. Leaves the parser that produced the working files in `parser`.
  bool Parse(int kind, bool fromPdf, std::string& parsePath,
             std::unique_ptr<GraphicParser>& parser);
  bool Flatten(const GraphicSummary& summary, FileFailure& failure);
  void ChooseCamera();

  RunContext& context_;
  WorkDir workDir_;
  LoaderView& view_;
  PreviewCanvas& canvas_;
  Profile& profile_;
  PdfConverter* pdf_ = nullptr;
  EpsConverter* eps_ = nullptr;
  CameraGraphControl* camera_ = nullptr;
  RecentJobs* recent_ = nullptr;
  Clock* clock_ = nullptr;
  GraphicParserFactory parserFactory_;
  LoadReport report_;
};

}  // namespace orvex
