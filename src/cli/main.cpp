// orvex-cli: the headless tools of the station, one subcommand each.
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"

namespace {

struct Subcommand {
  const char* name;
  int (*run)(const orvex::cli::Arguments&);
  const char* const* usage;
};

const Subcommand kSubcommands[] = {
    {"import", orvex::cli::RunImport, &orvex::cli::kImportUsage},
    {"findmark", orvex::cli::RunFindMark, &orvex::cli::kFindMarkUsage},
    {"simulate", orvex::cli::RunSimulate, &orvex::cli::kSimulateUsage},
    {"devices", orvex::cli::RunDevices, &orvex::cli::kDevicesUsage},
};

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage: orvex-cli COMMAND [ARGS...]\n\ncommands:\n");
  for (const Subcommand& command : kSubcommands) std::fprintf(out, "  %s\n", *command.usage);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return orvex::cli::kExitUsage;
  }
  std::string name = argv[1];
  if (name == "-h" || name == "--help" || name == "help") {
    PrintUsage(stdout);
    return orvex::cli::kExitOk;
  }
  for (const Subcommand& command : kSubcommands) {
    if (name != command.name) continue;
    const orvex::cli::Arguments args(argv + 2, argv + argc);
    // Every subcommand answers --help the same way, whatever options it has; after "--" it is
    // a file name like any other.
    for (const std::string& arg : args) {
      if (arg == "--") break;
      if (arg == "--help" || arg == "-h") {
        std::printf("usage: orvex-cli %s\n", *command.usage);
        return orvex::cli::kExitOk;
      }
    }
    return command.run(args);
  }
  std::fprintf(stderr, "orvex-cli: unknown command '%s'\n", name.c_str());
  PrintUsage(stderr);
  return orvex::cli::kExitUsage;
}
