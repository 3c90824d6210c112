// orvex-cli import: the preflight of a job. Runs the same loader as the window's File Open
// against a working directory and a profile, and tells a prepress operator what the station
// will make of the graphic: its size, the marks it found, special paths, contours and cut
// length, and what to fix when the job is refused.
#include <QString>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/order_option.h"
#include "core/run_context.h"
#include "core/work_dir.h"
#include "import/job_loader.h"
#include "platform/eps_converters.h"
#include "platform/pdf_converters.h"
#include "platform/qimage_preview_canvas.h"
#include "platform/qsettings_profile.h"
#include "platform/work_dir_location.h"

namespace orvex::cli {

const char* const kImportUsage =
    "import [--workdir DIR] [--settings FILE.conf] [--mark-mode N] [--multiple N] "
    "[--spacing N] [--preview OUT.png] [--json] "
    "[--order [--passes N] [--reverse] [--special-mode N]] [--] FILE";

namespace {

// The preview image: the size of the main window's preview, with a margin for the 8-pixel
// baseline offset of the drawing rule.
constexpr int kPreviewWidth = 800;
constexpr int kPreviewHeight = 600;
constexpr PreviewRect kPreviewTarget{0, 0, 780, 580};

// The window's start value of the spacing field, in tenths of a millimetre.
constexpr int kDefaultSpacing = 5;

struct Options {
  std::string file;
  std::string workDir;
  std::string settings;
  std::string preview;
  int markMode = 0;
  int multiple = 1;
  int spacing = kDefaultSpacing;
  bool json = false;
  OrderOptions order;
};

bool ParseInt(const std::string& text, int low, int high, int& value) {
  int parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

int UsageError(const std::string& why) {
  std::fprintf(stderr, "orvex-cli import: %s\nusage: orvex-cli %s\n", why.c_str(), kImportUsage);
  return kExitUsage;
}

// Parses the arguments; returns an exit status when they are unusable.
std::optional<int> ParseOptions(const Arguments& args, Options& options) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded) {
      if (!options.file.empty()) return UsageError("only one FILE can be imported at a time");
      options.file = arg;
      continue;
    }
    auto value = [&](std::string& out) -> bool {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string text;
    if (arg == "--json") {
      options.json = true;
    } else if (arg == "--workdir") {
      if (!value(options.workDir) || options.workDir.empty())
        return UsageError("--workdir needs DIR");
    } else if (arg == "--settings") {
      if (!value(options.settings) || options.settings.empty()) {
        return UsageError("--settings needs FILE.conf");
      }
    } else if (arg == "--preview") {
      if (!value(options.preview) || options.preview.empty()) {
        return UsageError("--preview needs OUT.png");
      }
    } else if (arg == "--mark-mode") {
      if (!value(text) || !ParseInt(text, 0, 3, options.markMode)) {
        return UsageError("--mark-mode takes 0 (read 2 markers) to 3 (markerless)");
      }
    } else if (arg == "--multiple") {
      if (!value(text) || !ParseInt(text, 1, 5, options.multiple)) {
        return UsageError("--multiple takes 1 to 5 lines");
      }
    } else if (arg == "--spacing") {
      if (!value(text) || !ParseInt(text, 1, 20, options.spacing)) {
        return UsageError("--spacing takes 1 to 20 (tenths of a millimetre)");
      }
    } else if (IsOrderOption(arg)) {
      if (std::string why; !ParseOrderOption(args, i, options.order, why)) return UsageError(why);
    } else if (arg == "-h" || arg == "--help") {
      std::printf("usage: orvex-cli %s\n", kImportUsage);
      return kExitOk;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return UsageError("unknown option " + arg);
    } else if (options.file.empty()) {
      options.file = arg;
    } else {
      return UsageError("only one FILE can be imported at a time");
    }
  }
  if (options.file.empty()) return UsageError("FILE is missing");
  if (auto why = CheckOrderOptions(options.order)) return UsageError(*why);
  return std::nullopt;
}

// The window as a headless load needs it: the file dialog answers with FILE, the controls are
// values in memory, messages are collected for the summary.
class CliLoaderView : public LoaderView {
 public:
  explicit CliLoaderView(std::string file) : file_(std::move(file)) {}

  // Like the window's dialog, it never hands over a file that does not exist.
  bool AskOpenFile(const std::vector<FileFilter>&, std::string& path) override {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file_, error)) return false;
    path = file_;
    return true;
  }
  void ShowMessage(const OperatorMessage& message) override { messages.push_back(message); }
  void SetControlText(int, std::string_view) override {}
  void EnableControl(int, bool) override {}
  int ComboSelection(int id) override { return Get(id); }
  void SetComboSelection(int id, int index) override { Set(id, index); }
  int FieldValue(int id) override { return Get(id); }
  void SetFieldValue(int id, int value) override { Set(id, value); }
  void MembersToControls() override {}

  void Set(int id, int value) { values_[id] = value; }
  int Get(int id) const {
    auto it = values_.find(id);
    return it == values_.end() ? 0 : it->second;
  }
  std::vector<OperatorMessage> messages;

 private:
  std::string file_;
  std::map<int, int> values_;
};

// A canvas that draws nothing, for runs without --preview.
class NullCanvas : public PreviewCanvas {
 public:
  int Width() const override { return kPreviewWidth; }
  int Height() const override { return kPreviewHeight; }
  PreviewRect Target() const override { return kPreviewTarget; }
  void Clear(int, int) override {}
  void SelectPen(PreviewPen) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
};

const char* RouteName(ImportRoute route) {
  switch (route) {
    case ImportRoute::kParser:
      return "parser";
    case ImportRoute::kPdf:
      return "pdf";
    case ImportRoute::kGhostscript:
      return "ghostscript";
    case ImportRoute::kNone:
      break;
  }
  return nullptr;
}

const char* KindName(int kind) {
  switch (kind) {
    case kKindEps:
      return "eps";
    case kKindAi:
      return "ai";
    case kKindPdf:
      return "pdf";
    default:
      return "unknown";
  }
}

// Millimetres with two decimals, as in the working files; a value that is not finite is null.
std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

struct Outcome {
  const LoadReport& report;
  const RunContext& context;
  std::filesystem::path workDir;
  std::string message;
  std::vector<std::string> warnings;
  bool previewWritten = false;
  bool marksKnown = false;
  OrderSummary order;
};

void PrintJson(const Outcome& o) {
  const LoadReport& r = o.report;
  bool ok = r.outcome == LoadOutcome::kLoaded && o.message.empty();
  std::string out = "{";
  out += "\"ok\": " + std::string(ok ? "true" : "false");
  out += ", \"message\": " + JsonString(o.message);
  out += ", \"kind\": " + JsonString(KindName(r.kind));
  out += ", \"file\": " + JsonString(r.jobPath);
  out += ", \"workdir\": " + JsonString(o.workDir.string());
  const char* route = RouteName(r.route);
  out += ", \"route\": " + (route != nullptr ? JsonString(route) : std::string("null"));
  out += ", \"converter_reason\": " +
         (r.converterReason.empty() ? std::string("null") : JsonString(r.converterReason));
  bool parsed = r.outcome == LoadOutcome::kLoaded || o.marksKnown;
  out += ", \"width_mm\": " + (parsed ? JsonNumber(r.summary.maxX - r.summary.minX) : "null");
  out += ", \"height_mm\": " + (parsed ? JsonNumber(r.summary.maxY - r.summary.minY) : "null");
  if (o.marksKnown) {
    out += ", \"marks\": {\"left_x\": " + JsonNumber(r.marks.leftX) +
           ", \"right_x\": " + JsonNumber(r.marks.rightX) +
           ", \"base_y\": " + JsonNumber(r.marks.baseY) +
           ", \"top_x\": " + JsonNumber(r.marks.topX) + ", \"top_y\": " + JsonNumber(r.marks.topY) +
           "}";
  } else {
    out += ", \"marks\": null";
  }
  out += ", \"special_paths\": " + std::to_string(parsed ? r.summary.specialCount : 0);
  out += ", \"dash\": [" + std::to_string(r.summary.dashOn) + ", " +
         std::to_string(r.summary.dashOff) + "]";
  out += ", \"contours\": " + std::to_string(r.cutContours);
  out += ", \"special_contours\": " + std::to_string(r.specialContours);
  out += ", \"cut_length_mm\": " + JsonNumber(r.cutLengthMm);
  out += ", \"special_end\": " + std::to_string(r.specialEnd);
  out += ", \"multiple_lines\": " + std::to_string(r.multiLineCount);
  out += ", \"second_camera\": " + std::string(o.context.secondCamera ? "true" : "false");
  out += ", \"preview_written\": " + std::string(o.previewWritten ? "true" : "false");
  out += OrderJsonMembers(o.order);
  out += ", \"warnings\": [";
  for (std::size_t i = 0; i < o.warnings.size(); ++i) {
    if (i > 0) out += ", ";
    out += JsonString(o.warnings[i]);
  }
  out += "]}\n";
  std::fputs(out.c_str(), stdout);
}

std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      line += "; ";
    } else {
      line += c;
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

void PrintHuman(const Outcome& o, const Options& options) {
  const LoadReport& r = o.report;
  const GraphicSummary& s = r.summary;
  if (r.kind == kKindPdf) {
    std::printf("Job:      %s (pdf, converted to %s)\n", options.file.c_str(),
                r.parsedPath.c_str());
  } else if (r.route == ImportRoute::kGhostscript) {
    std::printf("Job:      %s (%s, redrawn by Ghostscript into %s)\n", r.jobPath.c_str(),
                KindName(r.kind), r.parsedPath.c_str());
  } else {
    std::printf("Job:      %s (%s)\n", r.jobPath.empty() ? options.file.c_str() : r.jobPath.c_str(),
                KindName(r.kind));
  }
  if (r.outcome != LoadOutcome::kLoaded) {
    std::printf("REFUSED:  %s\n", OneLine(o.message).c_str());
    if (r.message == loader_text::kMarksError) {
      std::printf(
          "          The two lowest paths are taken as the bottom marks; they must be at\n"
          "          least 50 mm apart (found %.2f mm, left %.2f, right %.2f).\n",
          r.marks.rightX - r.marks.leftX, r.marks.leftX, r.marks.rightX);
    } else if (r.message == loader_text::kFileNotFound) {
      std::printf(
          "          Give an existing file ending in .eps, .EPS, .ai, .AI, .Ai, or .pdf,\n"
          "          .PDF, .Pdf when a PDF converter is installed.\n");
    } else if (r.message == loader_text::kConverterMissing) {
      std::printf(
          "          No PDF converter could be run: install orvex-pdf2ps, or poppler-utils\n"
          "          for pdftops.\n");
    } else if (r.message.rfind(loader_text::kParseFailed, 0) == 0 &&
               !(r.kind == kKindPdf && !r.converterReason.empty())) {
      // A PDF the converter could not read at all was not saved without paths: its reason
      // above says what is wrong with it.
      std::printf(
          "          No cut path was found: save as EPS with the paths as vectors, or\n"
          "          as Illustrator with a visible layer.\n");
    }
  } else {
    std::printf("Size:     %.2f x %.2f mm\n", s.maxX - s.minX, s.maxY - s.minY);
    std::printf("Route:    %s\n", RouteName(r.route));
    std::printf(
        "Marks:    bottom left x %.2f, right x %.2f (%.2f mm apart), base y %.2f;"
        " top at (%.2f, %.2f) mm%s\n",
        r.marks.leftX, r.marks.rightX, r.marks.rightX - r.marks.leftX, r.marks.baseY, r.marks.topX,
        r.marks.topY, o.context.markMode == 0 ? "" : " (bottom marks are cut: mark mode is not 0)");
    if (s.specialCount > 0) {
      std::printf("Special:  %d special path(s), dash %d/%d pt, %ld contour(s)", s.specialCount,
                  s.dashOn, s.dashOff, r.specialContours);
      if (r.multiLineCount > 1) std::printf(", laid out as %d lines", r.multiLineCount);
      std::printf(", cut before offset %ld of sort.prn\n", r.specialEnd);
    } else {
      std::printf("Special:  none\n");
    }
    std::printf("Cut:      %ld contour(s), %.1f mm of cut (bottom marks %s)\n", r.cutContours,
                r.cutLengthMm, o.context.markMode == 0 ? "left out" : "cut too");
    std::printf("Camera:   %s\n", o.context.secondCamera ? "second" : "first");
    std::printf("Files:    %s\n", (o.workDir / "sort.prn").string().c_str());
    PrintOrderLine(o.order, o.workDir);
    if (!options.preview.empty()) {
      std::printf("Preview:  %s%s\n", options.preview.c_str(),
                  o.previewWritten ? "" : " (NOT written)");
    }
  }
  for (const std::string& warning : o.warnings) std::printf("Warning:  %s\n", warning.c_str());
}

}  // namespace

int RunImport(const Arguments& args) {
  Options options;
  if (auto status = ParseOptions(args, options)) return *status;

  std::filesystem::path workDir =
      options.workDir.empty() ? DefaultWorkDir() : std::filesystem::path(options.workDir);
  std::error_code error;
  std::filesystem::create_directories(workDir, error);
  if (!std::filesystem::is_directory(workDir, error)) {
    return UsageError("the working directory " + workDir.string() + " cannot be created");
  }

  std::unique_ptr<QSettingsProfile> profile =
      options.settings.empty()
          ? std::make_unique<QSettingsProfile>()
          : std::make_unique<QSettingsProfile>(QString::fromStdString(options.settings));
  std::unique_ptr<PdfConverter> pdf = MakePdfConverter();
  std::unique_ptr<EpsConverter> eps = MakeEpsConverter();

  RunContext context;
  context.pdfAvailable = pdf->Available() ? 1 : 0;
  // The file dialog of the window returns full paths; so does this one.
  std::string file = std::filesystem::absolute(options.file, error).string();
  if (error) file = options.file;
  CliLoaderView view(file);
  view.Set(control::kMarkMode, options.markMode);
  view.Set(control::kMultiple, options.multiple - 1);
  view.Set(control::kSpacing, options.spacing);

  std::unique_ptr<QImagePreviewCanvas> image;
  NullCanvas nullCanvas;
  PreviewCanvas* canvas = &nullCanvas;
  if (!options.preview.empty()) {
    image = std::make_unique<QImagePreviewCanvas>(kPreviewWidth, kPreviewHeight, kPreviewTarget);
    canvas = image.get();
  }

  JobLoader loader(context, WorkDir(workDir), view, *canvas, *profile);
  loader.SetPdfConverter(pdf.get());
  loader.SetEpsConverter(eps.get());
  const LoadReport& report = loader.LoadJob();

  Outcome outcome{report, context, workDir, report.message, report.warnings, false, false, {}};
  outcome.marksKnown =
      report.outcome == LoadOutcome::kLoaded || report.message == loader_text::kMarksError;
  if (report.outcome == LoadOutcome::kLoaded) {
    if (options.multiple > 1 && !report.hasSpecial) {
      outcome.warnings.push_back("--multiple has no effect: the job has no special paths");
    }
    if (report.cutContours == 0) {
      outcome.warnings.push_back("nothing to cut besides the marks");
    }
    if (report.marks.topY - report.marks.baseY < kMinMarkDistanceMm) {
      outcome.warnings.push_back(
          "the highest path is close to the bottom marks: is there a top mark?");
    }
    outcome.order = OrderImportedJob(context, workDir, options.order);
    if (outcome.order.requested && !outcome.order.ok) outcome.message = outcome.order.error;
    if (image) {
      outcome.previewWritten = image->SavePng(QString::fromStdString(options.preview));
      if (!outcome.previewWritten) {
        outcome.message = "The preview " + options.preview + " could not be written";
      }
    }
  }

  if (options.json) {
    PrintJson(outcome);
  } else {
    PrintHuman(outcome, options);
  }
  bool ok = report.outcome == LoadOutcome::kLoaded && outcome.message.empty();
  return ok ? kExitOk : kExitRefused;
}

}  // namespace orvex::cli
