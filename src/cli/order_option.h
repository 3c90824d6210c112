// orvex-cli import --order: after the import, order the cuts as the start of a sheet would and
// leave sortx.prn in the working directory, so prepress can see the cutting order.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "core/run_context.h"

namespace orvex::cli {

struct OrderOptions {
  bool order = false;
  bool tuned = false;  // one of the options that only mean something with --order was given
  int passes = 1;
  bool reverse = false;
  int specialMode = 0;
};

// True when args[i] is one of the ordering options.
bool IsOrderOption(const std::string& arg);
// Takes the option at args[i] (and its value, advancing i). False with `why` on a bad value.
bool ParseOrderOption(const Arguments& args, std::size_t& i, OrderOptions& options,
                      std::string& why);
// After all arguments: why the ordering options do not go together, if they do not.
std::optional<std::string> CheckOrderOptions(const OrderOptions& options);

struct OrderSummary {
  bool requested = false;
  bool ok = false;
  std::string error;
  int orderedContours = 0;
  double totalCutLengthMm = 0.0;
};

// Orders the job just imported into `context`. Not requested: nothing happens.
OrderSummary OrderImportedJob(RunContext& context, const std::filesystem::path& workDir,
                              const OrderOptions& options);

// The JSON members of the summary, each preceded by ", "; empty when not requested.
std::string OrderJsonMembers(const OrderSummary& summary);
// The human summary's line, when requested.
void PrintOrderLine(const OrderSummary& summary, const std::filesystem::path& workDir);

}  // namespace orvex::cli
