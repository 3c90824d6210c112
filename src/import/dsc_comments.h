// What a PostScript file says about itself in its structuring comments: the bounding box its
// producer declared (the size the graphic is meant to have) and whether the file reaches its
// end (%%Trailer or %%EOF) or was cut short. Read from the head and the tail of the file only.
#pragma once

#include <filesystem>
#include <optional>

namespace orvex {

// A box in PostScript points.
struct DeclaredBox {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  double WidthMm() const;
  double HeightMm() const;
};

struct DscFacts {
  // The file begins as PostScript ("%!") or PDF ("%PDF", as newer Illustrator files do), after
  // the binary header of a DOS EPS when it has one.
  bool structured = false;
  // %%HiResBoundingBox when given, else %%BoundingBox; also when deferred to the trailer.
  std::optional<DeclaredBox> boundingBox;
  // The last part of the file holds %%Trailer or %%EOF.
  bool reachesEnd = false;
};

DscFacts ReadDscFacts(const std::filesystem::path& file);

}  // namespace orvex
