// Loading a job: choose the graphic (or take the last one), convert a PDF, parse it into the
// cut-path files, check the registration marks, flatten every path into sort.prn while drawing
// the preview, and set the window and the run context up for the new job. Every outcome the
// operator must act on is a message through the view.
#pragma once

#include <string>
#include <vector>

#include "core/clock.h"
#include "core/pdf_converter.h"
#include "core/profile.h"
#include "core/run_context.h"
#include "core/work_dir.h"
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
// Not one of the classic messages: the working directory refused the cut file.
inline constexpr std::string_view kSortNotWritten =
    "Cannot write sort.prn in the working directory\nThe previous job's cut file is kept";
}  // namespace loader_text

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
  std::vector<std::string> warnings;
};

class JobLoader {
 public:
  JobLoader(RunContext& context, WorkDir workDir, LoaderView& view, PreviewCanvas& canvas,
            Profile& profile);

  // Optional collaborators; each may be left unset.
  void SetPdfConverter(PdfConverter* converter) { pdf_ = converter; }
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
  // Converts the PDF into the working directory's out.ps, named in `parsePath`.
  bool Convert(const std::string& pdfPath, std::string& parsePath);
  bool Flatten(const GraphicSummary& summary);
  void ChooseCamera();

  RunContext& context_;
  WorkDir workDir_;
  LoaderView& view_;
  PreviewCanvas& canvas_;
  Profile& profile_;
  PdfConverter* pdf_ = nullptr;
  CameraGraphControl* camera_ = nullptr;
  RecentJobs* recent_ = nullptr;
  Clock* clock_ = nullptr;
  GraphicParserFactory parserFactory_;
  LoadReport report_;
};

}  // namespace orvex
