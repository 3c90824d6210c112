// The working directory's default place.
#include "platform/work_dir_location.h"

#include <cstdlib>

namespace orvex {

std::filesystem::path DefaultWorkDir() {
  if (const char* env = std::getenv("ORVEX_WORKDIR"); env != nullptr && *env != '\0') return env;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
    return std::filesystem::path(data) / "orvex";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share" / "orvex";
}

}  // namespace orvex
