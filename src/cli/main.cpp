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
    if (name == command.name) return command.run(orvex::cli::Arguments(argv + 2, argv + argc));
  }
  std::fprintf(stderr, "orvex-cli: unknown command '%s'\n", name.c_str());
  PrintUsage(stderr);
  return orvex::cli::kExitUsage;
}
