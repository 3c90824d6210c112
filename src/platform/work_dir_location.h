// Where the working directory lives on this desktop: ORVEX_WORKDIR when set, else
// $XDG_DATA_HOME/orvex, else ~/.local/share/orvex. Both programs take --workdir over it.
#pragma once

#include <filesystem>

namespace orvex {

std::filesystem::path DefaultWorkDir();

}  // namespace orvex
