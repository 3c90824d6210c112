// What the loader needs from the path parser: parse a graphic into PSINT/TPSINT in the working
// directory and report the job's extents, its special-path count and its dash lengths. The
// loader asks a factory for a fresh parser per load; tests hand it a scripted one.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>

#include "core/file_failure.h"

namespace orvex {

struct GraphicSummary {
  float minX = 0.0F;
  float minY = 0.0F;
  float maxX = 0.0F;
  float maxY = 0.0F;
  float width = 0.0F;
  float height = 0.0F;
  int specialCount = 0;
  int dashOn = 0;
  int dashOff = 0;
};

// Import kinds as the loader and the parser count them.
inline constexpr int kKindNone = 0;
inline constexpr int kKindEps = 1;
inline constexpr int kKindAi = 2;
inline constexpr int kKindPdf = 3;

class GraphicParser {
 public:
  virtual ~GraphicParser() = default;
  // True when the main cut file received at least one path.
  virtual bool ParseEps(const std::filesystem::path& graphic, int importKind) = 0;
  virtual bool ParseAi(const std::filesystem::path& graphic) = 0;
  virtual GraphicSummary Summary() const = 0;
  // After a failed parse: the working file that could not be written, if that was the cause.
  virtual FileFailure WriteFailure() const { return {}; }
};

using GraphicParserFactory =
    std::function<std::unique_ptr<GraphicParser>(const std::filesystem::path& workDir)>;

// The system's own EPS/AI path parser behind this port.
std::unique_ptr<GraphicParser> MakeEpsPathParser(const std::filesystem::path& workDir);

}  // namespace orvex
