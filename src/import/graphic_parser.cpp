#include "import/graphic_parser.h"

// The parser is built beside this adapter; until both of its files are in the tree the factory
// reports that no parser exists.
#if __has_include("import/eps_path_parser.h") && __has_include("import/eps_path_parser.cpp")
#include "import/eps_path_parser.h"
#define ORVEX_HAVE_EPS_PATH_PARSER 1
#endif

namespace orvex {

#ifdef ORVEX_HAVE_EPS_PATH_PARSER
namespace {

class EpsPathParserAdapter : public GraphicParser {
 public:
  explicit EpsPathParserAdapter(const std::filesystem::path& workDir) : parser_(workDir) {}

  bool ParseEps(const std::filesystem::path& graphic, int importKind) override {
    return parser_.ParseEps(graphic, importKind);
  }
  bool ParseAi(const std::filesystem::path& graphic) override { return parser_.ParseAi(graphic); }
  GraphicSummary Summary() const override {
    const auto& s = parser_.Summary();
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
#else
std::unique_ptr<GraphicParser> MakeEpsPathParser(const std::filesystem::path&) { return nullptr; }
#endif

}  // namespace orvex
