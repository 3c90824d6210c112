// PostScript in the importer's dialect; see postscript_writer.h for why it looks the way it does.
#include "pdf2ps/postscript_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace orvex::pdf2ps {
namespace {

constexpr std::size_t kFlushAt = 1 << 16;
constexpr int kCoordinateDecimals = 3;  // 0.001 pt is far below the 0.02 mm we must hold
constexpr int kColourDecimals = 4;

// The procedures the body uses, so that the file also prints and previews as drawn.
constexpr std::string_view kProcedures =
    "/OrvexPaths 24 dict def\n"
    "OrvexPaths begin\n"
    "% m l c: path construction, coordinates already in page space (points, y up)\n"
    "/m {moveto} bind def\n"
    "/l {lineto} bind def\n"
    "/c {curveto} bind def\n"
    "% k K: fill and stroke colour as cyan magenta yellow black; both only set the colour,\n"
    "% the paint operator that ends each path says which of the two it uses\n"
    "/k {setcmykcolor} bind def\n"
    "/K {setcmykcolor} bind def\n"
    "% d: dash array and phase; [] 0 d is a solid stroke\n"
    "/d {setdash} bind def\n"
    "% f f* S: paint the current path (non-zero fill, even-odd fill, stroke)\n"
    "/f {fill} bind def\n"
    "/f* {eofill} bind def\n"
    "/S {stroke} bind def\n"
    "end\n";

// Why the prolog is padded, said once in the file itself for whoever opens it.
constexpr std::string_view kPrologNote =
    "%\n"
    "% This file holds the cut contours of one page. Every path is given in the page's\n"
    "% default coordinates (points, origin at the lower left, y up): transformations of\n"
    "% the source were applied to the coordinates, so no matrix operator follows.\n"
    "% Closed subpaths end with an explicit line back to their start point.\n"
    "% Paint colours are process colours; spot colours are written as black.\n"
    "% Text, images and clipping of the source are not part of this file.\n"
    "%\n";

void AppendCmykLine(std::string& out, std::string_view a, std::string_view b, std::string_view c,
                    std::string_view d, char op) {
  out.append(a).push_back(' ');
  out.append(b).push_back(' ');
  out.append(c).push_back(' ');
  out.append(d).push_back(' ');
  out.push_back(op);
  out.push_back('\n');
}

constexpr std::size_t kNumberCapacity = 400;  // any double in fixed notation fits

// `value` in fixed notation into `text`: trailing zeros dropped, "-0" as "0", non-finite as "0".
std::string_view FormatInto(char (&text)[kNumberCapacity], double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  auto [end, error] = std::to_chars(text, text + kNumberCapacity, value, std::chars_format::fixed,
                                    decimals);
  if (error != std::errc{}) return "0";
  std::string_view digits(text, static_cast<std::size_t>(end - text));
  if (digits.find('.') != std::string_view::npos) {
    while (digits.back() == '0') digits.remove_suffix(1);
    if (digits.back() == '.') digits.remove_suffix(1);
  }
  if (digits == "-0") return "0";
  return digits;
}

}  // namespace

std::string FormatNumber(double value, int decimals) {
  char text[kNumberCapacity];
  return std::string(FormatInto(text, value, decimals));
}

PostScriptWriter::PostScriptWriter(PostScriptSink sink) : sink_(std::move(sink)) {
  buffer_.reserve(kFlushAt + 1024);
}

PostScriptWriter::~PostScriptWriter() { Flush(); }

void PostScriptWriter::Flush() {
  if (buffer_.empty()) return;
  if (sink_) sink_(buffer_);
  written_ += buffer_.size();
  buffer_.clear();
}

void PostScriptWriter::Reserve() {
  if (buffer_.size() >= kFlushAt) Flush();
}

void PostScriptWriter::Number(double value, int decimals) {
  char text[kNumberCapacity];
  buffer_.append(FormatInto(text, value, decimals));
}

void PostScriptWriter::BeginDocument(const PageBox& box, bool encapsulated,
                                     std::string_view creator, std::string_view title) {
  const std::size_t start = BytesWritten();
  std::string& out = buffer_;
  out.append(encapsulated ? "%!PS-Adobe-3.0 EPSF-3.0\n" : "%!PS-Adobe-3.0\n");
  out.append("%%Creator: ").append(creator).append("\n");
  out.append("%%Title: ").append(title).append("\n");
  out.append("%%LanguageLevel: 2\n");
  char line[512];
  std::snprintf(line, sizeof line, "%%%%BoundingBox: %d %d %d %d\n",
                static_cast<int>(std::floor(box.x1)), static_cast<int>(std::floor(box.y1)),
                static_cast<int>(std::ceil(box.x2)), static_cast<int>(std::ceil(box.y2)));
  out.append(line);
  out.append("%%HiResBoundingBox: ");
  Number(box.x1, 3);
  out.push_back(' ');
  Number(box.y1, 3);
  out.push_back(' ');
  Number(box.x2, 3);
  out.push_back(' ');
  Number(box.y2, 3);
  out.append("\n%%Pages: 1\n");
  out.append("%%DocumentProcessColors: Cyan Magenta Yellow Black\n");
  out.append("%%EndComments\n");
  out.append("%%BeginProlog\n");
  out.append("%%BeginResource: procset OrvexPaths 1.0 0\n");
  out.append(kPrologNote);
  out.append(kProcedures);
  out.append("%%EndResource\n");
  // Pad with comment lines until the prolog safely passes the parser's skip position.
  static constexpr std::string_view kPad =
      "%                                                                              \n";
  while (BytesWritten() - start < kMinimumPrologBytes) out.append(kPad);
  out.append("%%EndProlog\n");
  out.append("%%BeginSetup\nOrvexPaths begin\n%%EndSetup\n");
  out.append("%%Page: 1 1\n%%BeginPageSetup\n");
  std::snprintf(line, sizeof line, "%%%%PageBoundingBox: %d %d %d %d\n",
                static_cast<int>(std::floor(box.x1)), static_cast<int>(std::floor(box.y1)),
                static_cast<int>(std::ceil(box.x2)), static_cast<int>(std::ceil(box.y2)));
  out.append(line);
  out.append("%%EndPageSetup\n");
}

void PostScriptWriter::EndDocument() {
  buffer_.append("showpage\n%%PageTrailer\n%%Trailer\nend\n%%EOF\n");
  Flush();
}

void PostScriptWriter::Colour(const Cmyk& colour, char op) {
  const double raw[4] = {colour.c, colour.m, colour.y, colour.k};
  std::string text[4];
  for (int i = 0; i < 4; ++i) {
    double v = std::isfinite(raw[i]) ? raw[i] : 0.0;
    v = v < 0 ? 0 : (v > 1 ? 1 : v);
    text[i] = FormatNumber(v, kColourDecimals);
  }
  // 0 1 0 0 marks the special paths. A colour that only rounds to it must not turn into one.
  const bool looksSpecial = text[0] == "0" && text[1] == "1" && text[2] == "0" && text[3] == "0";
  const bool isSpecial = raw[0] == 0 && raw[1] == 1 && raw[2] == 0 && raw[3] == 0;
  if (looksSpecial && !isSpecial) {
    for (int i = 0; i < 4; ++i) {
      const double target = i == 1 ? 1.0 : 0.0;
      if (raw[i] != target) text[i] = i == 1 ? "0.9999" : "0.0001";
    }
  }
  AppendCmykLine(buffer_, text[0], text[1], text[2], text[3], op);
  Reserve();
}

void PostScriptWriter::SetFillColor(const Cmyk& colour) { Colour(colour, 'k'); }
void PostScriptWriter::SetStrokeColor(const Cmyk& colour) { Colour(colour, 'K'); }

void PostScriptWriter::SetDash(double on, double off) {
  // A dash longer than any sheet is a solid line; it would also no longer fit the parser's
  // 28-character window.
  constexpr double kLongestDash = 9999.99;
  if (!std::isfinite(on) || !std::isfinite(off) || on < 0 || off < 0 || (on <= 0 && off <= 0) ||
      on > kLongestDash || off > kLongestDash) {
    SetSolid();
    return;
  }
  // Always two decimals: the parser tells a dash array from a solid one by its length in
  // characters, and "[3.50 2.50] 0 d" is a dash where "[3 2] 0 d" would not be.
  char line[128];
  std::snprintf(line, sizeof line, "[%.2f %.2f] 0 d\n", on, off);
  buffer_.append(line);
  Reserve();
}

void PostScriptWriter::SetSolid() { buffer_.append("[] 0 d\n"); }

void PostScriptWriter::MoveTo(double x, double y) {
  Number(x, kCoordinateDecimals);
  buffer_.push_back(' ');
  Number(y, kCoordinateDecimals);
  buffer_.append(" m\n");
}

void PostScriptWriter::LineTo(double x, double y) {
  Number(x, kCoordinateDecimals);
  buffer_.push_back(' ');
  Number(y, kCoordinateDecimals);
  buffer_.append(" l\n");
  Reserve();
}

void PostScriptWriter::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
  const double values[6] = {x1, y1, x2, y2, x3, y3};
  for (double v : values) {
    Number(v, kCoordinateDecimals);
    buffer_.push_back(' ');
  }
  buffer_.append("c\n");
  Reserve();
}

void PostScriptWriter::Fill(bool evenOdd) {
  buffer_.append(evenOdd ? "f*\n" : "f\n");
  ++paths_;
  Reserve();
}

void PostScriptWriter::Stroke() {
  buffer_.append("S\n");
  ++paths_;
  Reserve();
}

}  // namespace orvex::pdf2ps
