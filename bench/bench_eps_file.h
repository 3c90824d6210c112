// A generated label-sheet EPS for the import benchmarks: a real-looking prolog longer than the
// parser's prolog skip, two bottom registration marks and a top mark (filled 4 mm squares), and
// any number of label contours cycling through squares, circles of four curves and
// curve-and-line shapes, in the vocabulary our PDF converter and pdftops write. With the default
// 200,000 paths the file is about 30 MB. Deterministic: the same count gives the same bytes.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace orvex::bench {

inline constexpr int kBenchPaths = 200000;

namespace detail {

inline void AppendNumber(std::string& out, double value) {
  char text[32];
  int n = std::snprintf(text, sizeof text, "%.3f", value);
  out.append(text, static_cast<std::size_t>(n));
}

inline void AppendPoint(std::string& out, double x, double y) {
  AppendNumber(out, x);
  out += ' ';
  AppendNumber(out, y);
  out += ' ';
}

inline std::string Prolog() {
  std::string prolog =
      "%!PS-Adobe-3.0 EPSF-3.0\n"
      "%%Creator: orvex bench generator\n"
      "%%Title: label sheet\n"
      "%%BoundingBox: 0 0 1474 1843\n"
      "%%HiResBoundingBox: 0 0 1473.82 1842.52\n"
      "%%DocumentData: Clean7Bit\n"
      "%%LanguageLevel: 2\n"
      "%%Pages: 1\n"
      "%%EndComments\n"
      "%%BeginProlog\n"
      "/pdfdict 64 dict def pdfdict begin\n";
  // Procedure definitions as converters write them, until the prolog is well past 6500 bytes.
  const char* procedures[] = {"/m { moveto } bind def",
                              "/l { lineto } bind def",
                              "/c { curveto } bind def",
                              "/h { closepath } bind def",
                              "/re { 4 2 roll moveto 1 index 0 rlineto 0 exch rlineto "
                              "neg 0 rlineto closepath } bind def",
                              "/f { fill } bind def",
                              "/S { stroke } bind def",
                              "/q { gsave } bind def",
                              "/Q { grestore } bind def",
                              "/w { setlinewidth } bind def",
                              "/k { setcmykcolor } bind def",
                              "/K { setcmykcolor } bind def",
                              "/d { setdash } bind def",
                              "/J { setlinecap } bind def",
                              "/j { setlinejoin } bind def"};
  int round = 0;
  while (prolog.size() < 9000) {
    prolog += "% procedure set " + std::to_string(round++) + "\n";
    for (const char* p : procedures) {
      prolog += p;
      prolog += '\n';
    }
  }
  prolog +=
      "end\n%%EndProlog\n%%BeginSetup\n%%EndSetup\n%%Page: 1 1\n%%BeginPageSetup\n"
      "%%PageBoundingBox: 0 0 1474 1843\n%%EndPageSetup\n";
  return prolog;
}

inline void AppendMark(std::string& out, double x, double y) {
  const double side = 4.0 * 2.83465;
  out += "0 0 0 1 k\n";
  AppendPoint(out, x, y);
  out += "m ";
  AppendPoint(out, x + side, y);
  out += "l ";
  AppendPoint(out, x + side, y + side);
  out += "l ";
  AppendPoint(out, x, y + side);
  out += "l ";
  AppendPoint(out, x, y);
  out += "l\nh f\n";
}

}  // namespace detail

// Writes the sheet to `path`; returns its size in bytes, or 0 when it could not be written.
inline std::size_t WriteBenchEps(const std::filesystem::path& path, int paths = kBenchPaths) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::string out = detail::Prolog();
  std::size_t total = 0;
  auto flush = [&] {
    total += std::fwrite(out.data(), 1, out.size(), file);
    out.clear();
  };
  const double pt = 2.83465;
  detail::AppendMark(out, 10 * pt, 10 * pt);
  detail::AppendMark(out, 500 * pt, 10 * pt);
  detail::AppendMark(out, 10 * pt, 640 * pt);
  out += "0 0 0 1 K\n0.5 w\n";
  // Labels on a 20 x 20 grid of 24 mm cells, repeated in slightly shifted layers so the
  // numbers vary the way real drawings do.
  for (int i = 0; i < paths; ++i) {
    int cell = i % 400;
    int layer = i / 400;
    double x = (20 + (cell % 20) * 24 + (layer % 7) * 0.137) * pt;
    double y = (30 + (cell / 20) * 30 + (layer % 11) * 0.071) * pt;
    double size = (18 + (layer % 5) * 0.5) * pt;
    switch (i % 3) {
      case 0:  // square
        detail::AppendPoint(out, x, y);
        out += "m\n";
        detail::AppendPoint(out, x + size, y);
        out += "l\n";
        detail::AppendPoint(out, x + size, y + size);
        out += "l\n";
        detail::AppendPoint(out, x, y + size);
        out += "l\n";
        detail::AppendPoint(out, x, y);
        out += "l\nh\nS\n";
        break;
      case 1: {  // circle of four curves
        double r = size / 2;
        double cx = x + r;
        double cy = y + r;
        double k = 0.5523 * r;
        detail::AppendPoint(out, cx + r, cy);
        out += "m\n";
        detail::AppendPoint(out, cx + r, cy + k);
        detail::AppendPoint(out, cx + k, cy + r);
        detail::AppendPoint(out, cx, cy + r);
        out += "c\n";
        detail::AppendPoint(out, cx - k, cy + r);
        detail::AppendPoint(out, cx - r, cy + k);
        detail::AppendPoint(out, cx - r, cy);
        out += "c\n";
        detail::AppendPoint(out, cx - r, cy - k);
        detail::AppendPoint(out, cx - k, cy - r);
        detail::AppendPoint(out, cx, cy - r);
        out += "c\n";
        detail::AppendPoint(out, cx + k, cy - r);
        detail::AppendPoint(out, cx + r, cy - k);
        detail::AppendPoint(out, cx + r, cy);
        out += "c\nh\nS\n";
        break;
      }
      default:  // a tab: curve over the top, straight sides and base
        detail::AppendPoint(out, x, y);
        out += "m\n";
        detail::AppendPoint(out, x, y + size);
        out += "l\n";
        detail::AppendPoint(out, x + size * 0.3, y + size * 1.2);
        detail::AppendPoint(out, x + size * 0.7, y + size * 1.2);
        detail::AppendPoint(out, x + size, y + size);
        out += "c\n";
        detail::AppendPoint(out, x + size, y);
        out += "l\n";
        detail::AppendPoint(out, x, y);
        out += "l\nh\nS\n";
        break;
    }
    if (out.size() > (1 << 20)) flush();
  }
  out += "showpage\n%%Trailer\n%%EOF\n";
  flush();
  bool ok = std::fclose(file) == 0;
  return ok ? total : 0;
}

}  // namespace orvex::bench
