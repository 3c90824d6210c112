// Writes the bundled sample job: an A4 label sheet as EPS (with a full prolog, the way design
// programs save it) and as PDF with the same geometry. Three black registration marks (two at
// the bottom, one at the top), a 3 x 6 grid of rounded-rectangle labels made of curves and one
// dashed magenta line for the special modes.
//
//   orvex_make_sample_job OUTDIR   ->  OUTDIR/label-sheet.eps, OUTDIR/label-sheet.pdf
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "pdf2ps/postscript_writer.h"
#include "tools/minimal_pdf.h"

namespace {

using orvex::pdf2ps::Cmyk;

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kSheetWidthMm = 210;
constexpr double kSheetHeightMm = 297;
constexpr double kMarkMm = 4;
// A quarter circle as one cubic: control points this fraction of the radius from the ends.
constexpr double kKappa = 0.5522847498;

struct Segment {
  char op;  // 'm', 'l' or 'c'
  double v[6];
};

struct Shape {
  std::vector<Segment> segments;
  Cmyk colour;
  bool fill = false;
  double dashOn = 0, dashOff = 0;  // points; 0 0 is solid
};

double Pt(double mm) { return mm * kPointsPerMm; }

Shape Square(double xMm, double yMm, double sizeMm) {
  Shape s;
  const double x = Pt(xMm), y = Pt(yMm), w = Pt(sizeMm);
  s.segments = {{'m', {x, y}}, {'l', {x + w, y}}, {'l', {x + w, y + w}}, {'l', {x, y + w}},
                {'l', {x, y}}};
  s.colour = {0, 0, 0, 1};
  s.fill = true;
  return s;
}

Shape RoundedRectangle(double xMm, double yMm, double wMm, double hMm, double rMm) {
  const double x = Pt(xMm), y = Pt(yMm), w = Pt(wMm), h = Pt(hMm), r = Pt(rMm);
  const double k = r * kKappa;
  Shape s;
  s.segments = {
      {'m', {x + r, y}},
      {'l', {x + w - r, y}},
      {'c', {x + w - r + k, y, x + w, y + r - k, x + w, y + r}},
      {'l', {x + w, y + h - r}},
      {'c', {x + w, y + h - r + k, x + w - r + k, y + h, x + w - r, y + h}},
      {'l', {x + r, y + h}},
      {'c', {x + r - k, y + h, x, y + h - r + k, x, y + h - r}},
      {'l', {x, y + r}},
      {'c', {x, y + r - k, x + r - k, y, x + r, y}},
  };
  s.colour = {0, 0, 0, 1};
  return s;
}

std::vector<Shape> LabelSheet() {
  std::vector<Shape> shapes;
  // Bottom marks first and level with each other: the importer takes the two lowest paths as
  // the bottom marks and the highest one as the top reference.
  shapes.push_back(Square(10, 10, kMarkMm));
  shapes.push_back(Square(196, 10, kMarkMm));
  for (int row = 0; row < 6; ++row) {
    for (int column = 0; column < 3; ++column) {
      shapes.push_back(RoundedRectangle(20 + 60.0 * column, 25 + 42.0 * row, 55, 35, 3));
    }
  }
  Shape crease;
  crease.segments = {{'m', {Pt(20), Pt(19)}}, {'l', {Pt(195), Pt(19)}}};
  crease.colour = {0, 1, 0, 0};
  crease.dashOn = 3.5;
  crease.dashOff = 2.5;
  shapes.push_back(crease);
  shapes.push_back(Square(10, 283, kMarkMm));
  return shapes;
}

std::string Eps(const std::vector<Shape>& shapes) {
  std::string out;
  {
    orvex::pdf2ps::PostScriptWriter writer([&out](std::string_view chunk) { out.append(chunk); });
    writer.BeginDocument({0, 0, Pt(kSheetWidthMm), Pt(kSheetHeightMm)}, true,
                         "orvex make_sample_job", "label-sheet");
    for (const Shape& shape : shapes) {
      if (shape.fill) {
        writer.SetFillColor(shape.colour);
      } else {
        writer.SetStrokeColor(shape.colour);
        writer.SetDash(shape.dashOn, shape.dashOff);
      }
      for (const Segment& s : shape.segments) {
        if (s.op == 'm') writer.MoveTo(s.v[0], s.v[1]);
        if (s.op == 'l') writer.LineTo(s.v[0], s.v[1]);
        if (s.op == 'c') writer.CurveTo(s.v[0], s.v[1], s.v[2], s.v[3], s.v[4], s.v[5]);
      }
      if (shape.fill) writer.Fill(false); else writer.Stroke();
    }
    writer.EndDocument();
  }
  return out;
}

std::string Pdf(const std::vector<Shape>& shapes) {
  std::string content;
  char text[256];
  for (const Shape& shape : shapes) {
    std::snprintf(text, sizeof text, "%g %g %g %g %s\n", shape.colour.c, shape.colour.m,
                  shape.colour.y, shape.colour.k, shape.fill ? "k" : "K");
    content += text;
    if (!shape.fill) {
      if (shape.dashOn > 0) {
        std::snprintf(text, sizeof text, "[%.2f %.2f] 0 d\n", shape.dashOn, shape.dashOff);
        content += text;
      } else {
        content += "[] 0 d\n";
      }
      content += "0.5 w\n";
    }
    for (const Segment& s : shape.segments) {
      if (s.op == 'c') {
        std::snprintf(text, sizeof text, "%.3f %.3f %.3f %.3f %.3f %.3f c\n", s.v[0], s.v[1],
                      s.v[2], s.v[3], s.v[4], s.v[5]);
      } else {
        std::snprintf(text, sizeof text, "%.3f %.3f %c\n", s.v[0], s.v[1], s.op);
      }
      content += text;
    }
    content += shape.fill ? "h f\n" : "S\n";
  }
  orvex::tools::MinimalPdf pdf;
  return orvex::tools::SinglePagePdf(pdf, content, Pt(kSheetWidthMm), Pt(kSheetHeightMm));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  const std::vector<Shape> shapes = LabelSheet();
  if (!orvex::WriteFileAtomically(dir / "label-sheet.eps", Eps(shapes)) ||
      !orvex::WriteFileAtomically(dir / "label-sheet.pdf", Pdf(shapes))) {
    std::fprintf(stderr, "make_sample_job: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
