// libFuzzer target for the graphic path parser. The first byte picks the input kind; EPS bodies
// may get a ready-made prolog in front so that short inputs reach the path operators at once.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "import/eps_path_parser.h"

namespace {

const std::filesystem::path& WorkDir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = std::filesystem::exists("/dev/shm") ? "/dev/shm/orvex-fuzz-XXXXXX"
                                                              : "/tmp/orvex-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    static std::string made;
    made = pattern;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(made, ignored);
    });
    return std::filesystem::path(pattern);
  }();
  return dir;
}

const std::string& Prolog() {
  static const std::string prolog =
      "%!PS-Adobe-3.0 EPSF-3.0\n%" + std::string(6600, 'p') + "\n%%EndProlog\n%%EndPageSetup\n";
  return prolog;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
  orvex::EpsPathParser parser(WorkDir());
  switch (data[0] % 4) {
    case 0:
      parser.ParseEpsBytes(body, 1);
      break;
    case 1:
      parser.ParseEpsBytes(Prolog() + std::string(body), 1);
      break;
    case 2:
      parser.ParseEpsBytes(Prolog() + std::string(body), 3);
      break;
    default:
      parser.ParseAiBytes(body);
      break;
  }
  const orvex::ParseSummary& summary = parser.Summary();
  // The summary must always be readable; touching it lets the sanitizers see bad values.
  volatile float sink = summary.width + summary.height;
  (void)sink;
  return 0;
}
