// The graphic path parser: reads the PostScript body of an EPS file, of PostScript converted
// from a PDF, or of an Illustrator file, interprets its small vocabulary of path and paint
// operators, and streams every path into the cut-path files PSINT (cut contours) and TPSINT
// (special paths) of the working directory, together with the job's bounding box in mm.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "core/file_failure.h"

namespace orvex {

class ByteReader;

struct ParseSummary {
  float minX = 99000, minY = 99000, maxX = -99000, maxY = -99000;  // mm
  float width = 0, height = 0;  // computed at the end of a successful parse
  int specialCount = 0;
  int dashOn = 0, dashOff = 0;  // points, truncated
};

class EpsPathParser {
 public:
  // Fixed sizes of the parse, kept as checked limits: a token of the path body holds at most
  // kTokenCapacity - 1 characters, a token copied out of an Illustrator file at most
  // kPreintTokenCapacity - 1; longer tokens are skipped whole (no operator or number is that
  // long). The operand stack has kStackSlots slots and wraps around to its first slot.
  static constexpr std::size_t kTokenCapacity = 256;
  static constexpr std::size_t kPreintTokenCapacity = 2048;
  static constexpr int kStackSlots = 50;
  // The EPS prolog is skipped from this byte on.
  static constexpr long kPrologSkip = 6500;

  explicit EpsPathParser(std::filesystem::path workDir);

  // kind 1 EPS, 3 PostScript converted from PDF. True when PSINT received at least one segment.
  bool ParseEps(const std::filesystem::path& graphic, int importKind);
  bool ParseAi(const std::filesystem::path& graphic);
  // The same parses over a graphic already in memory (fuzzing, tests). An empty `graphic` falls
  // back to KVOSTART.DAT for EPS, as an empty file does.
  bool ParseEpsBytes(std::string_view graphic, int importKind);
  bool ParseAiBytes(std::string_view graphic);

  const ParseSummary& Summary() const { return summary_; }
  // Set when the parse failed because a working file (PSINT, TPSINT, PREINT) could not be
  // written: the graphic itself may be fine.
  const FileFailure& WriteFailure() const { return writeFailure_; }

 private:
  bool ParseEpsFrom(ByteReader& input, int importKind);
  bool ParseAiFrom(ByteReader* source);
  bool Run(ByteReader& input, int importKind, bool illustrator);

  std::filesystem::path workDir_;
  ParseSummary summary_;
  FileFailure writeFailure_;
};

}  // namespace orvex
