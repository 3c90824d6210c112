// A job with three marks and one cut line, as the graphic tools write it: coordinates in
// millimetre multiples of a point, a prolog past the parser's skip.
#pragma once

#include <string>

namespace orvex::test {

inline std::string HandWrittenEps() {
  auto pt = [](double mm) { return std::to_string(mm * 2.83465); };
  auto square = [&](double x, double y) {
    return pt(x) + " " + pt(y) + " m " + pt(x + 4) + " " + pt(y) + " l " + pt(x + 4) + " " +
           pt(y + 4) + " l " + pt(x) + " " + pt(y + 4) + " l " + pt(x) + " " + pt(y) + " l f\n";
  };
  std::string eps = "%!PS-Adobe-3.0 EPSF-3.0\n";
  while (eps.size() < 7000) eps += "% prolog\n";
  eps += "%%EndProlog\n0 0 0 1 K\n" + square(10, 5) + pt(50) + " " + pt(50) + " m " + pt(60) + " " +
         pt(50) + " l S\n" + square(210, 5) + square(10, 290) + "%%Trailer\n";
  return eps;
}

}  // namespace orvex::test
