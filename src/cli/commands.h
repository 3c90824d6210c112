// The subcommands of orvex-cli. Each takes the arguments after its own name and returns the
// process exit status (0 done, 1 refused or failed, 2 usage error). Add a subcommand by
// declaring it here and listing it in main.cpp's table.
#pragma once

#include <string>
#include <vector>

namespace orvex::cli {

using Arguments = std::vector<std::string>;

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

int RunImport(const Arguments& args);
extern const char* const kImportUsage;
int RunFindMark(const Arguments& args);
extern const char* const kFindMarkUsage;
int RunSimulate(const Arguments& args);
extern const char* const kSimulateUsage;
int RunDevices(const Arguments& args);
extern const char* const kDevicesUsage;

}  // namespace orvex::cli
