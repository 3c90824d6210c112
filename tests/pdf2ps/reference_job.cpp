// The reference job and its producers' inputs; see reference_job.h.
#include "pdf2ps/reference_job.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

#include "import/path_record_stream.h"
#include "tools/minimal_pdf.h"

namespace orvex::test {
namespace {

constexpr double kKappa = 0.5522847498;
constexpr double kDashOnPt = 3.5;
constexpr double kDashOffPt = 2.5;
constexpr int kCurvePieces = 48;

Shape Square(double x, double y, double s) {
  return {{{'m', {x, y}}, {'l', {x + s, y}}, {'l', {x + s, y + s}}, {'l', {x, y + s}}},
          true, true, false};
}

Shape RoundedRectangle(double x, double y, double w, double h, double r) {
  const double k = r * kKappa;
  return {{{'m', {x + r, y}},
           {'l', {x + w - r, y}},
           {'c', {x + w - r + k, y, x + w, y + r - k, x + w, y + r}},
           {'l', {x + w, y + h - r}},
           {'c', {x + w, y + h - r + k, x + w - r + k, y + h, x + w - r, y + h}},
           {'l', {x + r, y + h}},
           {'c', {x + r - k, y + h, x, y + h - r + k, x, y + h - r}},
           {'l', {x, y + r}},
           {'c', {x, y + r - k, x + r - k, y, x + r, y}}},
          true, false, false};
}

Shape Circle(double cx, double cy, double r) {
  const double k = r * kKappa;
  return {{{'m', {cx + r, cy}},
           {'c', {cx + r, cy + k, cx + k, cy + r, cx, cy + r}},
           {'c', {cx - k, cy + r, cx - r, cy + k, cx - r, cy}},
           {'c', {cx - r, cy - k, cx - k, cy - r, cx, cy - r}},
           {'c', {cx + k, cy - r, cx + r, cy - k, cx + r, cy}}},
          true, false, false};
}

std::string Num(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.4f", v);
  return text;
}

// A point transformed into the coordinates a drawing under `cm` needs: (p - t) / s, in points.
struct Frame {
  double scale = 1, tx = 0, ty = 0, flipHeight = -1;  // flipHeight >= 0: y' = flipHeight - y
  Point Map(double xMm, double yMm) const {
    double x = xMm * kPtPerMm, y = yMm * kPtPerMm;
    if (flipHeight >= 0) y = flipHeight - y;
    return {(x - tx) / scale, (y - ty) / scale};
  }
};

// The path operators of one shape (PDF spelling), coordinates mapped by `frame`.
std::string PdfPath(const Shape& shape, const Frame& frame) {
  std::string out;
  for (const Segment& s : shape.segments) {
    const int points = s.op == 'c' ? 3 : 1;
    for (int i = 0; i < points; ++i) {
      const Point p = frame.Map(s.v[static_cast<std::size_t>(2 * i)],
                                s.v[static_cast<std::size_t>(2 * i + 1)]);
      out += Num(p.x) + " " + Num(p.y) + " ";
    }
    out += std::string(1, s.op) + "\n";
  }
  if (shape.closed) out += "h\n";
  return out;
}

Point Bezier(const Point& a, const Point& b, const Point& c, const Point& d, double t) {
  const double u = 1 - t;
  return {u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * c.x + t * t * t * d.x,
          u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * c.y + t * t * t * d.y};
}

void AddCurve(Polyline& line, Point a, Point b, Point c, Point d) {
  if (line.empty()) line.push_back(a);
  for (int i = 1; i <= kCurvePieces; ++i) line.push_back(Bezier(a, b, c, d, double(i) / kCurvePieces));
}

double SegmentDistance(const Point& p, const Point& a, const Point& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Largest distance from the points of `from` (vertices and points every 0.25 mm) to `to`.
double Directed(const std::vector<Polyline>& from, const std::vector<Polyline>& to) {
  double worst = 0;
  auto nearest = [&to](const Point& p) {
    double best = std::numeric_limits<double>::infinity();
    for (const Polyline& line : to) {
      if (line.size() == 1) best = std::min(best, std::hypot(p.x - line[0].x, p.y - line[0].y));
      for (std::size_t i = 1; i < line.size(); ++i) {
        best = std::min(best, SegmentDistance(p, line[i - 1], line[i]));
      }
    }
    return best;
  };
  for (const Polyline& line : from) {
    for (std::size_t i = 0; i < line.size(); ++i) {
      worst = std::max(worst, nearest(line[i]));
      if (i == 0) continue;
      const Point& a = line[i - 1];
      const Point& b = line[i];
      const int steps = static_cast<int>(std::hypot(b.x - a.x, b.y - a.y) / 0.25);
      for (int s = 1; s < steps; ++s) {
        const double t = double(s) / steps;
        worst = std::max(worst, nearest({a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}));
      }
    }
  }
  return worst;
}

}  // namespace

std::vector<Shape> ReferenceJob() {
  Shape dashed{{{'m', {30, 125}}, {'l', {170, 125}}}, false, false, true};
  return {Square(10, 10, 4),
          Square(186, 10, 4),
          RoundedRectangle(30, 30, 50, 30, 3),
          RoundedRectangle(100, 30, 50, 30, 3),
          Circle(80, 95, 18),
          dashed,
          Square(10, 136, 4)};
}

std::vector<Polyline> Polylines(const std::vector<Shape>& shapes, bool special) {
  std::vector<Polyline> lines;
  for (const Shape& shape : shapes) {
    if (shape.special != special) continue;
    Polyline line;
    Point current{0, 0};
    for (const Segment& s : shape.segments) {
      if (s.op == 'm' || s.op == 'l') {
        current = {s.v[0], s.v[1]};
        line.push_back(current);
      } else {
        const Point end{s.v[4], s.v[5]};
        AddCurve(line, current, {s.v[0], s.v[1]}, {s.v[2], s.v[3]}, end);
        current = end;
      }
    }
    if (shape.closed) line.push_back(line.front());
    lines.push_back(line);
  }
  return lines;
}

std::string ReferenceSvg() {
  char header[256];
  std::snprintf(header, sizeof header,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%gmm\" height=\"%gmm\" "
                "viewBox=\"0 0 %g %g\">\n",
                kPageWidthMm, kPageHeightMm, kPageWidthMm, kPageHeightMm);
  std::string out = header;
  for (const Shape& shape : ReferenceJob()) {
    std::string d;
    for (const Segment& s : shape.segments) {
      d += std::string(1, static_cast<char>(std::toupper(s.op)));
      const int points = s.op == 'c' ? 3 : 1;
      for (int i = 0; i < points; ++i) {
        d += " " + Num(s.v[static_cast<std::size_t>(2 * i)]) + " " +
             Num(kPageHeightMm - s.v[static_cast<std::size_t>(2 * i + 1)]);
      }
      d += " ";
    }
    if (shape.closed) d += "Z";
    if (shape.fill) {
      out += "<path d=\"" + d + "\" fill=\"#000000\" stroke=\"none\"/>\n";
    } else if (shape.special) {
      out += "<path d=\"" + d + "\" fill=\"none\" stroke=\"#ff00ff\" stroke-width=\"0.3\" " +
             "stroke-dasharray=\"" + Num(kDashOnPt / kPtPerMm) + " " +
             Num(kDashOffPt / kPtPerMm) + "\"/>\n";
    } else {
      out += "<path d=\"" + d + "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"0.3\"/>\n";
    }
  }
  return out + "</svg>\n";
}

std::string ReferencePostScript() {
  std::string out = "%!PS\n<< /PageSize [" + Num(kPageWidthMm * kPtPerMm) + " " +
                    Num(kPageHeightMm * kPtPerMm) + "] >> setpagedevice\n";
  for (const Shape& shape : ReferenceJob()) {
    out += "newpath\n";
    for (const Segment& s : shape.segments) {
      const int points = s.op == 'c' ? 3 : 1;
      for (int i = 0; i < points; ++i) {
        out += Num(s.v[static_cast<std::size_t>(2 * i)] * kPtPerMm) + " " +
               Num(s.v[static_cast<std::size_t>(2 * i + 1)] * kPtPerMm) + " ";
      }
      out += s.op == 'm' ? "moveto\n" : (s.op == 'l' ? "lineto\n" : "curveto\n");
    }
    if (shape.closed) out += "closepath\n";
    if (shape.fill) {
      out += "0 0 0 1 setcmykcolor fill\n";
    } else if (shape.special) {
      out += "0 1 0 0 setcmykcolor [3.5 2.5] 0 setdash 0.85 setlinewidth stroke [] 0 setdash\n";
    } else {
      out += "0 0 0 1 setcmykcolor 0.85 setlinewidth stroke\n";
    }
  }
  return out + "showpage\n";
}

std::string ReferencePdf() {
  std::string content;
  const Frame identity;
  for (const Shape& shape : ReferenceJob()) {
    if (shape.fill) {
      content += "0 0 0 1 k\n" + PdfPath(shape, identity) + "f\n";
    } else if (shape.special) {
      content += "0 1 0 0 K [3.5 2.5] 0 d 0.85 w\n" + PdfPath(shape, identity) + "S [] 0 d\n";
    } else {
      content += "0 0 0 1 K 0.85 w\n" + PdfPath(shape, identity) + "S\n";
    }
  }
  tools::MinimalPdf pdf;
  return tools::SinglePagePdf(pdf, content, kPageWidthMm * kPtPerMm, kPageHeightMm * kPtPerMm);
}

std::string HandWrittenPdf() {
  const std::vector<Shape> job = ReferenceJob();
  const double height = kPageHeightMm * kPtPerMm;
  std::string content;
  // Bottom marks three graphics states deep; the scales cancel, the translation stays.
  const Frame marks{1, 14.17, 14.17, -1};
  content += "q 0.5 0 0 0.5 0 0 cm q 2 0 0 2 0 0 cm q 1 0 0 1 14.17 14.17 cm\n";
  content += "0 0 0 rg\n" + PdfPath(job[0], marks) + "f\n";
  content += "q 1 0 0 1 0 0 cm 0 0 0 1 k\n" + PdfPath(job[1], marks) + "f* Q\n";
  content += "Q Q Q\n";
  // Both labels are one form XObject (its own matrix scales by 2) placed twice, in a spot
  // colour whose alternate happens to be 0 1 0 0.
  const Frame label{2, 0, 0, -1};
  Shape origin = job[2];
  for (Segment& s : origin.segments) {
    for (std::size_t i = 0; i < 6; i += 2) {
      if (s.op != 'c' && i > 0) break;
      s.v[i] -= 30;
      s.v[i + 1] -= 30;
    }
  }
  const std::string formContent = "0.4 w\n" + PdfPath(origin, label) + "S\n";
  content += "/Spot CS 1 SCN\n";
  for (const Shape* placed : {&job[2], &job[3]}) {
    const Point corner = Frame{}.Map(placed->segments[0].v[0] - 3, placed->segments[0].v[1]);
    content += "q 1 0 0 1 " + Num(corner.x) + " " + Num(corner.y) + " cm /Label Do Q\n";
  }
  // The circle under a flip of the page, inside a clip that hides most of it (clips are
  // ignored: the whole circle is a cut path). The clip path itself paints nothing.
  content += "q 1 0 0 -1 0 " + Num(height) + " cm\n0 0 220 200 re W n\n";
  content += "0.2 0.2 0.2 RG 0.85 w\n" + PdfPath(job[4], Frame{1, 0, 0, height}) + "S\nQ\n";
  // The special line drawn ten times smaller under a scale of 10: its dash must come out in
  // page points.
  content += "q 10 0 0 10 0 0 cm 1 0 1 rg 0 1 0 0 K [0.35 0.25] 0 d 0.085 w\n" +
             PdfPath(job[5], Frame{10, 0, 0, -1}) + "S Q\n";
  content += "0 g\n" + PdfPath(job[6], Frame{}) + "f\n";

  tools::MinimalPdf pdf;
  const int tint = pdf.AddObject(
      "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [0 1 0 0] /N 1 >>");
  const int spot = pdf.AddObject("[/Separation /CutContour /DeviceCMYK " + std::to_string(tint) +
                                 " 0 R]");
  const int form = pdf.AddStream(
      "/Type /XObject /Subtype /Form /BBox [-10 -10 200 200] /Matrix [2 0 0 2 0 0]",
      formContent);
  return tools::SinglePagePdf(pdf, content, kPageWidthMm * kPtPerMm, height,
                              "/ColorSpace << /Spot " + std::to_string(spot) +
                                  " 0 R >> /XObject << /Label " + std::to_string(form) +
                                  " 0 R >>");
}

std::vector<Polyline> ReadPathFile(const std::filesystem::path& file) {
  std::vector<Polyline> lines;
  PathRecordStream stream;
  if (!stream.Open(file)) return lines;
  PathRecord record;
  while (stream.Next(record)) {
    if (record.letter == 'M' || record.letter == 'O') {
      lines.emplace_back();
      continue;
    }
    if (record.letter != 'L' && record.letter != 'C') continue;
    if (lines.empty()) lines.emplace_back();
    Polyline& line = lines.back();
    const Point start{record.v[0], record.v[1]};
    if (line.empty() || line.back().x != start.x || line.back().y != start.y) line.push_back(start);
    if (record.letter == 'L') {
      line.push_back({record.v[2], record.v[3]});
    } else {
      AddCurve(line, start, {record.v[4], record.v[5]}, {record.v[6], record.v[7]},
               {record.v[2], record.v[3]});
    }
  }
  std::erase_if(lines, [](const Polyline& line) { return line.empty(); });
  return lines;
}

ImportedJob ImportPostScript(const std::filesystem::path& postScript,
                             const std::filesystem::path& workDir) {
  ImportedJob job;
  EpsPathParser parser(workDir);
  job.parsed = parser.ParseEps(postScript, 3);
  job.summary = parser.Summary();
  job.cut = ReadPathFile(workDir / "PSINT");
  job.special = ReadPathFile(workDir / "TPSINT");
  if (job.parsed) {
    job.marks = LocateJobMarks(workDir / "PSINT", workDir / "mk3.dat", job.summary.minX,
                               job.summary.minY);
  }
  return job;
}

double Deviation(const std::vector<Polyline>& got, const std::vector<Polyline>& want) {
  if (got.empty() != want.empty()) return std::numeric_limits<double>::infinity();
  return std::max(Directed(got, want), Directed(want, got));
}

}  // namespace orvex::test
