#include "import/graphic_parser.h"

#include "import/eps_path_parser.h"

namespace orvex {
namespace {

class EpsPathParserAdapter : public GraphicParser {
 public:
  explicit EpsPathParserAdapter(const std::filesystem::path& workDir) : parser_(workDir) {}

  bool ParseEps(const std::filesystem::path& graphic, int importKind) override {
    return parser_.ParseEps(graphic, importKind);
  }
  bool ParseAi(const std::filesystem::path& graphic) override { return parser_.ParseAi(graphic); }
  FileFailure WriteFailure() const override { return parser_.WriteFailure(); }
  GraphicSummary Summary() const override {
    const ParseSummary& s = parser_.Summary();
    GraphicSummary out;
    out.minX = s.minX;
    out.minY = s.minY;
    out.maxX = s.maxX;
    out.maxY = s.maxY;
    out.width = s.width;
    out.height = s.height;
    out.specialCount = s.specialCount;
    out.dashOn = s.dashOn;
    out.dashOff = s.dashOff;
    return out;
  }

 private:
  EpsPathParser parser_;
};

}  // namespace

std::unique_ptr<GraphicParser> MakeEpsPathParser(const std::filesystem::path& workDir) {
  return std::make_unique<EpsPathParserAdapter>(workDir);
}

}  // namespace orvex
