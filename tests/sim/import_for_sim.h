// Loads a graphic through the system's own import, headless, for the twin's end-to-end tests.
// Kept apart from the run's headers: the import's and the run's message types share a name.
#pragma once

#include <filesystem>
#include <string>

#include "core/run_context.h"

namespace orvex::sim {

// Loads `graphic` into `workDir` (PSINT, mk3.dat, sort.prn) and sets the job's fields of `ctx`,
// with special mode 1 (the special line cut with its own condition, without a feed offset).
// False and the operator's message when the import refused it.
bool ImportGraphic(const std::string& graphic, const std::filesystem::path& workDir,
                   RunContext& ctx, std::string& message);

}  // namespace orvex::sim
