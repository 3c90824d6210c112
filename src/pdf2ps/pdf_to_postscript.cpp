// PDF to importer PostScript through poppler's rendering core: poppler interprets the page
// (content streams, nested graphics states, form XObjects, annotations' appearances) and hands
// every painted path with its graphics state to PathOutput, which writes it in page space.
#include "pdf2ps/pdf_to_postscript.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include <poppler/Error.h>
#include <poppler/GfxState.h>
#include <poppler/GlobalParams.h>
#include <poppler/OutputDev.h>
#include <poppler/PDFDoc.h>
#include <poppler/Page.h>
#include <poppler/Stream.h>

namespace orvex::pdf2ps {
namespace {

// Coordinates beyond this many points (some 35 km) are damage, not drawing; such a subpath is
// left out rather than written as a number the importer cannot hold.
constexpr double kLargestCoordinate = 1e8;

void Quiet(ErrorCategory, Goffset, const char*) {}

void InitialisePoppler() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (!globalParams) globalParams = std::make_unique<GlobalParams>();
    globalParams->setErrQuiet(true);
    setErrorCallback(&Quiet);
  });
}

Cmyk FromRgb(GfxColorComp r, GfxColorComp g, GfxColorComp b) {
  // The usual conversion with full black generation: pure RGB magenta becomes 0 1 0 0, so a
  // special line drawn in an RGB-only producer still reads as the special colour.
  auto clip = [](GfxColorComp v) { return v < 0 ? 0 : (v > gfxColorComp1 ? gfxColorComp1 : v); };
  const GfxColorComp c = gfxColorComp1 - clip(r);
  const GfxColorComp m = gfxColorComp1 - clip(g);
  const GfxColorComp y = gfxColorComp1 - clip(b);
  const GfxColorComp k = std::min(c, std::min(m, y));
  return {colToDbl(c - k), colToDbl(m - k), colToDbl(y - k), colToDbl(k)};
}

Cmyk FromGrey(GfxColorComp g) {
  const double grey = colToDbl(g);
  return {0, 0, 0, 1 - std::clamp(grey, 0.0, 1.0)};
}

Cmyk FromComponents(int count, const GfxColor& colour) {
  if (count == 1) return FromGrey(colour.c[0]);
  if (count == 3) return FromRgb(colour.c[0], colour.c[1], colour.c[2]);
  return {colToDbl(colour.c[0]), colToDbl(colour.c[1]), colToDbl(colour.c[2]),
          colToDbl(colour.c[3])};
}

constexpr Cmyk kBlack{0, 0, 0, 1};

Cmyk ToCmyk(GfxColorSpace* space, const GfxColor* colour, int depth = 0) {
  if (space == nullptr || colour == nullptr || depth > 4) return kBlack;
  switch (space->getMode()) {
    case csDeviceGray:
    case csCalGray:
      return FromGrey(colour->c[0]);
    case csDeviceRGB:
    case csCalRGB:
      return FromRgb(colour->c[0], colour->c[1], colour->c[2]);
    case csDeviceCMYK:
      return FromComponents(4, *colour);
    case csICCBased: {
      // The components as given, not run through a colour profile: 0 1 0 0 must stay exact.
      const int count = space->getNComps();
      if (count == 1 || count == 3 || count == 4) return FromComponents(count, *colour);
      break;
    }
    case csIndexed: {
      auto* indexed = static_cast<GfxIndexedColorSpace*>(space);
      GfxColorSpace* baseSpace = indexed->getBase();
      const unsigned char* lookup = indexed->getLookup();
      if (baseSpace == nullptr || lookup == nullptr) return kBlack;
      const int components = baseSpace->getNComps();
      if (components < 1 || components > gfxColorMaxComps) return kBlack;
      const int index = std::clamp(static_cast<int>(colToDbl(colour->c[0]) + 0.5), 0,
                                   indexed->getIndexHigh());
      double low[gfxColorMaxComps], range[gfxColorMaxComps];
      baseSpace->getDefaultRanges(low, range, indexed->getIndexHigh());
      GfxColor base;
      for (int i = 0; i < components; ++i) {
        base.c[i] = dblToCol(low[i] + lookup[index * components + i] / 255.0 * range[i]);
      }
      return ToCmyk(baseSpace, &base, depth + 1);
    }
    case csLab:
      break;
    case csSeparation:
    case csDeviceN:
    case csPattern:
      // Spot colours (a cut-contour spot above all) are ordinary cut paths, as in every other
      // input; only the process colour 0 1 0 0 is special.
      return kBlack;
  }
  GfxRGB rgb;
  space->getRGB(colour, &rgb);
  return FromRgb(rgb.r, rgb.g, rgb.b);
}

class PathOutput : public OutputDev {
 public:
  PathOutput(PostScriptWriter& writer, double originX, double originY)
      : writer_(writer), originX_(originX), originY_(originY) {}

  bool upsideDown() override { return false; }
  // Text is not converted: labels' cut lines are paths. No glyph outlines are asked for.
  bool useDrawChar() override { return false; }
  bool interpretType3Chars() override { return false; }
  bool needNonText() override { return true; }

  // Pattern tiles and shadings would arrive as thousands of small fills that nobody wants cut;
  // claiming to draw them ourselves (and drawing nothing) keeps them out.
  bool useTilingPatternFill() override { return true; }
  bool tilingPatternFill(GfxState*, Gfx*, Catalog*, GfxTilingPattern*, const double*, int, int,
                         int, int, double, double) override {
    return true;
  }
  bool useShadedFills(int) override { return true; }
  bool functionShadedFill(GfxState*, GfxFunctionShading*) override { return true; }
  bool axialShadedFill(GfxState*, GfxAxialShading*, double, double) override { return true; }
  bool radialShadedFill(GfxState*, GfxRadialShading*, double, double) override { return true; }
  bool gouraudTriangleShadedFill(GfxState*, GfxGouraudTriangleShading*) override { return true; }
  bool patchMeshShadedFill(GfxState*, GfxPatchMeshShading*) override { return true; }

  // A soft mask's content only shapes transparency; it is never printed as drawn.
  void beginTransparencyGroup(GfxState*, const double*, GfxColorSpace*, bool, bool,
                              bool forSoftMask) override {
    groups_.push_back(forSoftMask);
    if (forSoftMask) ++maskDepth_;
  }
  void endTransparencyGroup(GfxState*) override {
    if (groups_.empty()) return;
    if (groups_.back()) --maskDepth_;
    groups_.pop_back();
  }

  void stroke(GfxState* state) override { Paint(state, Kind::kStroke); }
  void fill(GfxState* state) override { Paint(state, Kind::kFill); }
  void eoFill(GfxState* state) override { Paint(state, Kind::kEvenOddFill); }

 private:
  enum class Kind { kStroke, kFill, kEvenOddFill };
  struct Point {
    double x, y;
  };

  void Paint(GfxState* state, Kind kind) {
    const GfxPath* path = state->getPath();
    if (path == nullptr || maskDepth_ > 0) return;
    bool started = false;
    for (int s = 0; s < path->getNumSubpaths(); ++s) {
      const GfxSubpath* sub = path->getSubpath(s);
      const int count = sub->getNumPoints();
      if (count < 2) continue;
      if (!Transform(state, sub)) continue;
      if (!started) {
        Begin(state, kind);
        started = true;
      }
      Emit(sub, kind != Kind::kStroke || sub->isClosed());
    }
    if (!started) return;
    if (kind == Kind::kStroke) {
      writer_.Stroke();
    } else {
      writer_.Fill(kind == Kind::kEvenOddFill);
    }
  }

  // Page-space points of a subpath into points_; false when any is unusable.
  bool Transform(GfxState* state, const GfxSubpath* sub) {
    const int count = sub->getNumPoints();
    points_.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      double x = 0, y = 0;
      state->transform(sub->getX(i), sub->getY(i), &x, &y);
      x += originX_;
      y += originY_;
      if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > kLargestCoordinate ||
          std::fabs(y) > kLargestCoordinate) {
        return false;
      }
      points_[static_cast<std::size_t>(i)] = {x, y};
    }
    return true;
  }

  void Begin(GfxState* state, Kind kind) {
    if (kind != Kind::kStroke) {
      writer_.SetFillColor(ToCmyk(state->getFillColorSpace(), state->getFillColor()));
      return;
    }
    writer_.SetStrokeColor(ToCmyk(state->getStrokeColorSpace(), state->getStrokeColor()));
    double phase = 0;
    const std::vector<double>& dash = state->getLineDash(&phase);
    if (dash.empty()) {
      writer_.SetSolid();
      return;
    }
    // Dash lengths are in user space; the importer wants them in page points, so they take the
    // page's scale (a PDF drawn at 0.1 must not get dashes ten times too long).
    const double* m = state->getCTM();
    const double scale = std::sqrt(std::fabs(m[0] * m[3] - m[1] * m[2]));
    const double on = dash[0] * scale;
    const double off = (dash.size() > 1 ? dash[1] : dash[0]) * scale;
    writer_.SetDash(on, off);
  }

  void Emit(const GfxSubpath* sub, bool close) {
    const int count = sub->getNumPoints();
    writer_.MoveTo(points_[0].x, points_[0].y);
    int i = 1;
    while (i < count) {
      if (sub->getCurve(i) && i + 2 < count) {
        const Point& a = points_[static_cast<std::size_t>(i)];
        const Point& b = points_[static_cast<std::size_t>(i + 1)];
        const Point& c = points_[static_cast<std::size_t>(i + 2)];
        writer_.CurveTo(a.x, a.y, b.x, b.y, c.x, c.y);
        i += 3;
      } else {
        writer_.LineTo(points_[static_cast<std::size_t>(i)].x,
                       points_[static_cast<std::size_t>(i)].y);
        i += 1;
      }
    }
    const Point& first = points_.front();
    const Point& last = points_[static_cast<std::size_t>(count - 1)];
    if (close && (first.x != last.x || first.y != last.y)) writer_.LineTo(first.x, first.y);
  }

  PostScriptWriter& writer_;
  double originX_;
  double originY_;
  std::vector<Point> points_;
  std::vector<bool> groups_;  // per open transparency group: is it a soft mask's
  int maskDepth_ = 0;
};

}  // namespace

ConversionResult ConvertPdfToPostScript(const char* data, std::size_t size,
                                        const PostScriptSink& sink, std::string_view title) {
  ConversionResult result;
  InitialisePoppler();
  if (data == nullptr || size == 0) {
    result.message = "empty file, not a PDF";
    return result;
  }
  Object noDictionary(objNull);
  auto* stream = new MemStream(data, 0, static_cast<Goffset>(size), std::move(noDictionary));
  PDFDoc document(stream);  // owns the stream
  if (!document.isOk()) {
    if (document.getErrorCode() == errEncrypted) {
      result.status = ConversionStatus::kEncrypted;
      result.message = "the PDF is encrypted and needs a password";
    } else {
      result.message = "damaged or not a PDF (error " + std::to_string(document.getErrorCode()) + ")";
    }
    return result;
  }
  if (document.getNumPages() < 1) {
    result.status = ConversionStatus::kNoPage;
    result.message = "the PDF has no page";
    return result;
  }
  Page* page = document.getPage(1);
  if (page == nullptr || !page->isOk()) {
    result.status = ConversionStatus::kNoPage;
    result.message = "the first page of the PDF cannot be read";
    return result;
  }
  const PDFRectangle* media = page->getMediaBox();
  PageBox box{media->x1, media->y1, media->x2, media->y2};
  if (!std::isfinite(box.x1) || !std::isfinite(box.y1) || !std::isfinite(box.x2) ||
      !std::isfinite(box.y2)) {
    box = PageBox{};
  }

  PostScriptWriter writer(sink);
  writer.BeginDocument(box, false, "orvex-pdf2ps", title);
  // poppler renders relative to the media box's corner; adding it back gives the default user
  // space. The page's /Rotate is undone for the same reason: coordinates as the PDF states them.
  PathOutput output(writer, box.x1, box.y1);
  const int rotate = (360 - page->getRotate() % 360) % 360;
  document.displayPage(&output, 1, 72, 72, rotate, true, false, true);
  writer.EndDocument();
  result.status = ConversionStatus::kConverted;
  result.paths = writer.PathsWritten();
  return result;
}

}  // namespace orvex::pdf2ps
