#include "import/job_loader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "core/atomic_file.h"
#include "import/dsc_comments.h"
#include "import/job_plausibility.h"
#include "import/page_background.h"
#include "import/flattening.h"
#include "import/multiple_lines.h"
#include "import/path_record_stream.h"

namespace orvex {
namespace {

// Run-loop counters while a load runs and after it.
constexpr int kStatusStepLoading = 5000;
constexpr int kStatusStepIdle = 60;
constexpr int kSettleTicksLoading = 1000;
constexpr int kSettleTicksLoaded = 5;

// Which camera a job needs: the second one for tall jobs on a wide cutter and for mid-width media.
constexpr float kTallJobMm = 375.0F;
constexpr int kWideMedia = 600;
constexpr int kMidMedia = 450;

// Dash lengths are in points; the dash cut and up values count 38 units to a point.
constexpr int kDashUnitsPerPoint = 38;

constexpr std::size_t kFlushBytes = 1 << 16;

// Job extents that reach out of the declared bounding box by more than this, on any side, mean
// the parser did not read the file true to size.
constexpr double kBoundingBoxToleranceMm = 1.0;
constexpr double kPointsPerMm = 2.83465;

// The contour file, written through a temporary that replaces sort.prn only when complete.
class SortWriter {
 public:
  explicit SortWriter(const std::filesystem::path& path) : file_(path) {
    buffer_.reserve(kFlushBytes + 256);
  }
  bool IsOpen() const { return file_.File() != nullptr; }
  long Length() const { return written_ + static_cast<long>(buffer_.size()); }

  void Point(char letter, float x, float y) {
    buffer_ += letter;
    buffer_ += ' ';
    AppendFixed2(buffer_, x);
    buffer_ += ' ';
    AppendFixed2(buffer_, y);
    buffer_ += '\n';
    if (buffer_.size() >= kFlushBytes) Flush();
  }
  void Text(std::string_view text) { buffer_ += text; }
  bool Commit() {
    Flush();
    return ok_ && file_.Commit();
  }
  const FileFailure& Failure() const { return file_.Failure(); }

 private:
  void Flush() {
    if (buffer_.empty()) return;
    if (ok_ && std::fwrite(buffer_.data(), 1, buffer_.size(), file_.File()) != buffer_.size()) {
      ok_ = false;
      file_.RecordWriteError(errno);
    }
    written_ += static_cast<long>(buffer_.size());
    buffer_.clear();
  }

  AtomicFileWriter file_;
  std::string buffer_;
  long written_ = 0;
  bool ok_ = true;
};

// A dash length of a damaged graphic can be any int; the product saturates instead of
// overflowing.
int DashUnits(int points) {
  long long units = static_cast<long long>(points) * kDashUnitsPerPoint;
  return static_cast<int>(std::clamp<long long>(units, INT_MIN, INT_MAX));
}

std::string ExtensionOf(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

}  // namespace

namespace loader_text {

std::string WorkFileNotWritten(const FileFailure& failure) {
  const std::string directory = failure.file.parent_path().string();
  const std::string name = failure.file.filename().string();
  return "Cannot write " + (name.empty() ? std::string() : name + " ") +
         "in the working directory " + directory + "\n" + failure.Reason();
}

std::string GraphicNotReadable(const FileFailure& failure) {
  return "Cannot read the graphic " + failure.file.string() + "\n" + failure.Reason();
}

std::string ParseFailedBecause(std::string_view reason) {
  return std::string(kParseFailed) + "\n" + std::string(reason);
}

std::string TruncatedGraphic(const std::string& path) {
  return "The graphic " + path +
         " ends before its %%EOF: it may be cut short, and only what it holds would be cut";
}

}  // namespace loader_text

JobLoader::JobLoader(RunContext& context, WorkDir workDir, LoaderView& view, PreviewCanvas& canvas,
                     Profile& profile)
    : context_(context),
      workDir_(std::move(workDir)),
      view_(view),
      canvas_(canvas),
      profile_(profile),
      parserFactory_(MakeEpsPathParser) {}

std::vector<FileFilter> JobLoader::Filters(bool pdfAvailable) {
  if (pdfAvailable) {
    return {{"(*.AI *.EPS *.PDF)", "*.AI;*.EPS;*.PDF"},
            {"(*.AI)", "*.AI"},
            {"(*.EPS)", "*.EPS"},
            {"(*.PDF)", "*.PDF"}};
  }
  return {{"(*.AI *.EPS)", "*.AI;*.EPS"}, {"(*.AI)", "*.AI"}, {"(*.EPS)", "*.EPS"}};
}

int JobLoader::KindFromExtension(std::string_view extension) {
  if (extension == "eps" || extension == "EPS") return kKindEps;
  if (extension == "ai" || extension == "AI" || extension == "Ai") return kKindAi;
  return kKindNone;
}

bool JobLoader::IsPdfExtension(std::string_view extension) {
  return extension == "pdf" || extension == "PDF" || extension == "Pdf";
}

void JobLoader::Show(OperatorMessage message) {
  report_.message = message.text;
  view_.ShowMessage(message);
}

const LoadReport& JobLoader::OpenLastJob() {
  context_.lastJobFlag = 1;
  return LoadJob();
}

JobLoader::Conversion JobLoader::Convert(const std::string& pdfPath, std::string& parsePath) {
  OperatorMessage missing{std::string(loader_text::kConverterMissing),
                          MessageCaption::kPlatformDefault, "", MessageIcon::kNone, false};
  if (pdf_ == nullptr || !pdf_->Available()) {
    Show(missing);
    return Conversion::kEnded;
  }
  // A conversion that fails must not leave the previous PDF's PostScript in place to be parsed
  // as if it were this one.
  std::filesystem::path output = workDir_.File(workfile::kConvertedPdf);
  std::error_code ignored;
  std::filesystem::remove(output, ignored);
  PdfConversion result = pdf_->Convert(pdfPath, output.string());
  if (result == PdfConversion::kUnavailable) {
    Show(missing);
    return Conversion::kEnded;
  }
  parsePath = output.string();
  // The parser would read KVOSTART.DAT in place of a missing or empty out.ps: a PDF that did
  // not convert is a bad graphic, never the start-up job.
  std::error_code error;
  const bool written = std::filesystem::is_regular_file(output, error) &&
                       std::filesystem::file_size(output, error) > 0 && !error;
  if (result == PdfConversion::kConverted && written) return Conversion::kConverted;
  report_.converterReason = pdf_->FailureReason();
  if (report_.converterReason.empty()) {
    report_.converterReason = "the PDF converter could not convert " + pdfPath;
  }
  return Conversion::kFailed;
}

const LoadReport& JobLoader::Refuse(std::string text) {
  report_.outcome = LoadOutcome::kFailed;
  Show({std::move(text), MessageCaption::kApplicationTitle, "", MessageIcon::kError, false});
  context_.statusStep = kStatusStepIdle;
  return report_;
}

bool JobLoader::Parse(int kind, bool fromPdf, std::string& parsePath,
                      std::unique_ptr<GraphicParser>& parser) {
  auto parseWith = [&](const std::string& file, int parseKind) {
    std::unique_ptr<GraphicParser> fresh =
        parserFactory_ ? parserFactory_(workDir_.Root()) : nullptr;
    if (!fresh) return std::pair<bool, std::unique_ptr<GraphicParser>>(false, nullptr);
    bool ok = parseKind == kKindAi ? fresh->ParseAi(file) : fresh->ParseEps(file, parseKind);
    return std::pair<bool, std::unique_ptr<GraphicParser>>(ok, std::move(fresh));
  };
  auto [parsed, first] = parseWith(parsePath, kind);
  parser = std::move(first);
  report_.route = fromPdf ? ImportRoute::kPdf : ImportRoute::kParser;
  if (kind != kKindEps || fromPdf || !parser) return parsed;
  if (!parsed && parser->WriteFailure().Failed()) return false;

  // The described parse reads Illustrator-style files true to size; a file it refuses, or
  // whose extents disagree with the size its producer declared, is redrawn instead.
  std::string why;
  if (!parsed) {
    why = "the parser found no cut path in it";
  } else if (const DscFacts facts = ReadDscFacts(parsePath); facts.boundingBox) {
    // Everything painted lies inside the declared box; cut paths reaching out of it were read
    // under a scale or transform the parser does not follow. (Paths well inside it are normal:
    // text and page margins count in the box but are never cut.)
    const GraphicSummary s = parser->Summary();
    const DeclaredBox& box = *facts.boundingBox;
    const double t = kBoundingBoxToleranceMm;
    if (!(s.minX >= box.x1 / kPointsPerMm - t && s.minY >= box.y1 / kPointsPerMm - t &&
          s.maxX <= box.x2 / kPointsPerMm + t && s.maxY <= box.y2 / kPointsPerMm + t)) {
      char text[200];
      std::snprintf(text, sizeof text,
                    "the parser read %.1f x %.1f mm, reaching out of its bounding box of "
                    "%.1f x %.1f mm",
                    static_cast<double>(s.maxX) - s.minX, static_cast<double>(s.maxY) - s.minY,
                    box.WidthMm(), box.HeightMm());
      why = text;
    }
  }
  if (why.empty()) return parsed;
  if (eps_ == nullptr || !eps_->Available()) {
    if (parsed) report_.warnings.push_back(why + "; Ghostscript is not installed to redraw it");
    return parsed;
  }

  const std::filesystem::path output = workDir_.File(workfile::kConvertedPdf);
  std::error_code ignored;
  std::filesystem::remove(output, ignored);
  std::string failure;
  if (eps_->Convert(parsePath, output.string()) == PdfConversion::kConverted) {
    auto [redrawn, second] = parseWith(output.string(), kKindPdf);
    if (redrawn) {
      parser = std::move(second);
      parsePath = output.string();
      report_.route = ImportRoute::kGhostscript;
      report_.warnings.push_back("read through Ghostscript: " + why);
      return true;
    }
    if (second && second->WriteFailure().Failed()) {
      parser = std::move(second);
      return false;
    }
    failure = "Ghostscript's drawing of it holds no cut path either";
  } else {
    failure = eps_->FailureReason();
    if (failure.empty()) failure = "Ghostscript could not redraw it";
  }
  if (!parsed) {
    report_.converterReason = failure;
    return false;
  }
  // The route failed on a file the parser did read: that reading is the job, said to be
  // doubtful. The second parse may have replaced its working files, so it is read again.
  report_.warnings.push_back(why + "; " + failure + ", so it is loaded as the parser read it");
  auto [again, third] = parseWith(parsePath, kind);
  parser = std::move(third);
  return again;
}

const LoadReport& JobLoader::LoadJob() {
  report_ = LoadReport{};
  RunContext& c = context_;

  // The run loop holds its status polling back while a load runs.
  c.markMode = view_.ComboSelection(control::kMarkMode);
  c.statusStep = kStatusStepLoading;
  c.settleTicks = kSettleTicksLoading;
  c.lastJobPath = profile_.ReadString(kProfileSection, "LastJob", "-");
  if (c.reopenRequest != 0) {
    c.lastJobPath = c.currentJobPath;
    c.lastJobFlag = 1;
  }

  // Which file, and what kind. A PDF job is known by the PDF itself (the jobs report, LastJob
  // and the per-job settings tell PDF jobs apart by it) and parsed from its conversion.
  std::string path;
  int kind = kKindNone;
  bool pdf = false;
  if (c.lastJobFlag == 1 && c.lastJobPath.size() > 3) {
    path = c.lastJobPath;
    // Without the converter now, the load says so rather than parsing the PDF as PostScript.
    pdf = IsPdfExtension(ExtensionOf(path));
    char last = path.back();
    kind = pdf ? kKindPdf : (last == 'i' || last == 'I') ? kKindAi : kKindEps;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) kind = kKindNone;
  } else if (view_.AskOpenFile(Filters(c.pdfAvailable), path)) {
    std::string extension = ExtensionOf(path);
    kind = KindFromExtension(extension);
    pdf = c.pdfAvailable && IsPdfExtension(extension);
    if (pdf) kind = kKindPdf;
  }

  // A working directory that takes no file fails every load whatever the graphic: said first,
  // before anything of the previous job is touched.
  if (kind != kKindNone) {
    if (FileFailure probe = ProbeWritable(workDir_.Root()); probe.Failed()) {
      Show({loader_text::WorkFileNotWritten(probe), MessageCaption::kApplicationTitle, "",
            MessageIcon::kError, false});
      c.statusStep = kStatusStepIdle;
      return report_;
    }
    // A load killed mid-write leaves its temporaries (tens of MB for a large job); nothing
    // else ever removes them.
    RemoveOrphanedTemporaries(workDir_.Root());
  }

  std::string parsePath = path;
  bool conversionFailed = false;
  if (pdf && kind != kKindNone) {
    // A reload of the job just loaded parses its conversion again; any other load converts.
    const std::filesystem::path converted = workDir_.File(workfile::kConvertedPdf);
    std::error_code error;
    const bool reuse = c.reopenRequest != 0 && path == c.currentJobPath &&
                       std::filesystem::is_regular_file(converted, error);
    if (reuse) {
      parsePath = converted.string();
    } else {
      Conversion conversion = Convert(path, parsePath);
      if (conversion == Conversion::kEnded) {
        // Ended with everything as it was, except that the status polling must not stay held
        // back by the count the load started with.
        c.statusStep = kStatusStepIdle;
        return report_;
      }
      conversionFailed = conversion == Conversion::kFailed;
    }
  }

  // From here on the load counts as one, whatever becomes of it.
  c.lastJobFlag = 2;
  c.displayState = -2;
  c.reopenRequest = 0;
  view_.RefreshStatusDisplay();
  report_.kind = kind;
  if (kind == kKindNone) {
    c.statusStep = kStatusStepIdle;
    Show({std::string(loader_text::kFileNotFound), MessageCaption::kApplicationTitle, "",
          MessageIcon::kError, false});
    return report_;
  }

  c.currentJobPath = path;
  report_.jobPath = path;
  report_.parsedPath = parsePath;
  view_.SetControlText(control::kCurrentJobLabel,
                       std::string(loader_text::kCurrentJobPrefix) + path);
  canvas_.Clear(canvas_.Width() - 2, canvas_.Height() - 2);

  c.importKind = kind;
  if (conversionFailed) return Refuse(loader_text::ParseFailedBecause(report_.converterReason));
  if (!pdf) {
    // A graphic the operator may not read is not a badly saved one. (Any other failure to open
    // it is the parser's business: it then reads the start-up job, as it always has.)
    if (std::FILE* probe = std::fopen(path.c_str(), "rb")) {
      std::fclose(probe);
    } else if (errno == EACCES || errno == EPERM) {
      FileFailure unreadable;
      unreadable.Record(path, errno);
      return Refuse(loader_text::GraphicNotReadable(unreadable));
    }
  }
  std::unique_ptr<GraphicParser> parser;
  bool parsed = Parse(kind, pdf, parsePath, parser);
  report_.parsedPath = parsePath;
  if (!parsed) {
    report_.route = ImportRoute::kNone;
    if (parser && parser->WriteFailure().Failed()) {
      return Refuse(loader_text::WorkFileNotWritten(parser->WriteFailure()));
    }
    return Refuse(report_.converterReason.empty()
                      ? std::string(loader_text::kParseFailed)
                      : loader_text::ParseFailedBecause(report_.converterReason));
  }
  GraphicSummary summary = parser->Summary();
  report_.summary = summary;
  if (std::optional<std::string> refusal = JobSizeRefusal(summary)) return Refuse(*refusal);
  if (report_.route != ImportRoute::kParser) {
    if (auto warning = PageBackgroundWarning(FindWhiteFilledRectangles(parsePath), summary)) {
      report_.warnings.push_back(*warning);
      view_.ShowMessage({*warning, MessageCaption::kApplicationTitle, "", MessageIcon::kWarning});
    }
  }

  // Marks. A distance that is not a number is refused like a short one.
  JobMarks marks = LocateJobMarks(workDir_.File(workfile::kPsint), workDir_.File(workfile::kMarks),
                                  summary.minX, summary.minY);
  report_.marks = marks;
  c.importFirstMark = c.firstMarkPos = marks.leftX;
  c.importSecondMark = c.secondMarkPos = marks.rightX;
  if (!marks.pairFound || !(marks.rightX - marks.leftX >= kMinMarkDistanceMm)) {
    report_.outcome = LoadOutcome::kFailed;
    Show({std::string(loader_text::kMarksError), MessageCaption::kGiven,
          std::string(loader_text::kMarksCaption), MessageIcon::kNone, true});
    c.statusStep = kStatusStepIdle;
    return report_;
  }
  // The run registers every sheet by mk3.dat: a job whose marks it does not hold would be cut
  // at the previous job's marks.
  if (!marks.marksFileWritten) {
    return Refuse(loader_text::WorkFileNotWritten(marks.marksFileFailure));
  }

  // A file cut short loads only when the operator has been told so.
  if (!pdf) {
    if (const DscFacts facts = ReadDscFacts(path); facts.structured && !facts.reachesEnd) {
      const std::string warning = loader_text::TruncatedGraphic(path);
      report_.warnings.push_back(warning);
      if (!view_.ConfirmWarning({warning + "\nLoad it anyway?", MessageCaption::kApplicationTitle,
                                 "", MessageIcon::kWarning, false})) {
        report_.outcome = LoadOutcome::kEnded;
        report_.message = warning;
        c.statusStep = kStatusStepIdle;
        return report_;
      }
    }
  }

  FileFailure sortFailure;
  if (!Flatten(summary, sortFailure)) return Refuse(loader_text::WorkFileNotWritten(sortFailure));

  if (recent_ != nullptr) recent_->RestoreFor(c.currentJobPath);

  // The window and the camera for the new job.
  view_.SetFieldValue(control::kCount, 0);
  view_.MembersToControls();
  c.jobHeight = summary.maxY - summary.minY;
  c.jobWidth = summary.maxX - summary.minX;
  ChooseCamera();

  // Dash values, once Init Cutter has armed them.
  if (summary.specialCount > 0 && c.dashCutValue > 1 && c.dashUpValue > 1) {
    c.dashCutValue = DashUnits(summary.dashOn);
    c.dashUpValue = DashUnits(summary.dashOff);
    view_.SetFieldValue(control::kSpecialCutLength, c.dashCutValue / 10);
    view_.SetFieldValue(control::kSpecialUpLength, c.dashUpValue / 10);
    view_.MembersToControls();
  }

  c.specialCount = summary.specialCount;
  c.importSpecialEnd = c.specialEnd;
  c.statusStep = kStatusStepIdle;
  c.settleTicks = kSettleTicksLoaded;
  view_.RepaintAll();
  if (clock_ != nullptr) clock_->Sleep(100);
  if (camera_ != nullptr) camera_->RefreshSettings();
  report_.outcome = LoadOutcome::kLoaded;
  report_.specialEnd = c.specialEnd;
  report_.multiLineCount = c.multiLineCount;
  return report_;
}

void JobLoader::ChooseCamera() {
  RunContext& c = context_;
  if (camera_ != nullptr) camera_->TearDown();
  bool second = (c.jobHeight > kTallJobMm && c.mediaWidth > kWideMedia) ||
                (c.mediaWidth > kMidMedia && c.mediaWidth < kWideMedia);
  if (second) {
    c.secondCamera = 1;
    c.cameraOffsetX = profile_.ReadInt(kProfileSection, "deltaXC2", 110);
    c.cameraOffsetY = profile_.ReadInt(kProfileSection, "deltaYC2", 99);
  } else {
    c.secondCamera = 0;
    c.cameraOffsetX = profile_.ReadInt(kProfileSection, "deltaX", 80);
    c.cameraOffsetY = profile_.ReadInt(kProfileSection, "deltaY", 99);
  }
  if (camera_ != nullptr) camera_->Rebuild();
}

bool JobLoader::Flatten(const GraphicSummary& summary, FileFailure& failure) {
  RunContext& c = context_;
  SortWriter sort(workDir_.File(workfile::kSort));
  if (!sort.IsOpen()) {
    failure = sort.Failure();
    return false;
  }
  PreviewMapping mapping(canvas_, summary.maxX - summary.minX, summary.maxY - summary.minY);
  const float minX = summary.minX;
  const float minY = summary.minY;

  // The special paths, laid out as several lines when the operator asked for them.
  c.specialEnd = 0;
  view_.EnableControl(control::kSpecialMode, false);
  const std::filesystem::path tpsint = workDir_.File(workfile::kTpsint);
  std::error_code error;
  if (std::filesystem::exists(tpsint, error)) {
    int selection = view_.ComboSelection(control::kMultiple);
    c.multiLineCount = 1;  // until a layout is made for this job
    if (selection >= 1) {
      int lines = std::min(selection + 1, 5);
      double spacing = view_.FieldValue(control::kSpacing) / 10.0;
      MultipleLinesResult laid =
          LayoutMultipleLines(tpsint, workDir_.File(workfile::kMulti), lines, spacing);
      if (laid.ok) {
        c.multiLineCount = lines;
      } else {
        report_.warnings.push_back(
            "multi.prn could not be written; the special paths are cut as single lines");
      }
    }
  }

  PathRecordStream special;
  if (!std::filesystem::exists(tpsint, error) || !special.Open(tpsint)) {
    c.specialPresent = 0;
    view_.SetComboSelection(control::kSpecialMode, 0);
    c.specialMode = 0;
    view_.SpecialModeChangedDuringLoad();
    // Inside a load the handler only forgets the laid-out lines; the load under way is the
    // reload it would otherwise start.
    c.multiLineCount = 1;
  } else {
    c.specialPresent = 1;
    view_.EnableControl(control::kSpecialMode, true);
    view_.EnableControl(control::kStartButton, false);
    for (int id : {control::kSpecialCutForce, control::kSpecialSpeed, control::kSpecialUpLength,
                   control::kSpecialCutLength}) {
      view_.EnableControl(id, true);
    }
    c.specialMode = view_.ComboSelection(control::kSpecialMode);
    if (c.specialMode != 0) {
      view_.EnableControl(control::kSpecialCutLength, false);
      view_.EnableControl(control::kSpecialUpLength, false);
    }
  }
  report_.hasSpecial = c.specialPresent != 0;

  // One pass per file, special paths first; a pass writes each path's start once, then its
  // points.
  auto pass = [&](PathRecordStream& in, bool cutPass) {
    char previous = 0;
    bool skipped = false;
    long* contours = cutPass ? &report_.cutContours : &report_.specialContours;
    float lastX = 0.0F, lastY = 0.0F;
    auto start = [&](char letter, float x, float y) {
      sort.Point(letter, x, y);
      ++*contours;
      lastX = x;
      lastY = y;
    };
    auto to = [&](char letter, float x, float y) {
      sort.Point(letter, x, y);
      if (cutPass) {
        double dx = static_cast<double>(x) - lastX;
        double dy = static_cast<double>(y) - lastY;
        report_.cutLengthMm += std::sqrt(dx * dx + dy * dy);
      }
      lastX = x;
      lastY = y;
    };
    PathRecord r;
    while (in.Next(r)) {
      if (r.letter == 'M' || r.letter == 'O') {
        previous = r.letter;
        skipped =
            cutPass && c.markMode == 0 &&
            (r.position == report_.marks.excluded[0] || r.position == report_.marks.excluded[1] ||
             r.position == report_.marks.excluded[2]);
        continue;
      }
      if ((r.letter != 'L' && r.letter != 'C') || !r.complete) continue;
      const float x0 = r.v[0] - minX, y0 = r.v[1] - minY;
      const float x3 = r.v[2] - minX, y3 = r.v[3] - minY;
      if (r.letter == 'C') {
        // Curves are written even inside a skipped mark: only straight marks are left out.
        if (previous == 'M' || previous == 'O') {
          start(previous, x0, y0);
          canvas_.MoveTo(mapping.Column(x0), mapping.Row(y0));
        }
        PointMm p0{r.v[0], r.v[1]}, p3{r.v[2], r.v[3]}, p1{r.v[4], r.v[5]}, p2{r.v[6], r.v[7]};
        int steps = CurveStepCount(p0, p1, p2, p3);
        CubicAxis ax = CubicAxis::From(p0.x, p1.x, p2.x, p3.x);
        CubicAxis ay = CubicAxis::From(p0.y, p1.y, p2.y, p3.y);
        float dt = 1.0F / static_cast<float>(steps);
        for (float t = dt; t < 0.98; t += dt) {
          float x = ax.At(t) - minX;
          float y = ay.At(t) - minY;
          to('C', x, y);
          canvas_.LineTo(mapping.Column(x), mapping.Row(y));
        }
        to('C', x3, y3);
        canvas_.LineTo(mapping.Column(x3), mapping.Row(y3));
      } else {
        if (previous == 'M' || previous == 'O') {
          if (!skipped) start(previous, x0, y0);
          canvas_.MoveTo(mapping.Column(x0), mapping.Row(y0));
        }
        if (!skipped) to('L', x3, y3);
        canvas_.LineTo(mapping.Column(x3), mapping.Row(y3));
      }
      previous = r.letter;
    }
    in.Close();
  };

  if (special.IsOpen()) {
    canvas_.SelectPen(PreviewPen::kSpecial);
    pass(special, false);
    sort.Text("\n");
  }
  if (summary.specialCount > 0) c.specialEnd = sort.Length();
  canvas_.SelectPen(PreviewPen::kCut);
  PathRecordStream cut;
  if (cut.Open(workDir_.File(workfile::kPsint))) pass(cut, true);
  sort.Text("A");
  if (sort.Commit()) return true;
  failure = sort.Failure();
  return false;
}

}  // namespace orvex
