#include "support/memory_profile.h"

namespace orvex::test {

bool MemoryProfile::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
  if (failWrites_) return false;
  writeLog_.push_back(section == kProfileSection ? std::string(key)
                                                 : std::string(section) + "/" + std::string(key));
  return orvex::MemoryProfile::WriteString(section, key, value);
}

}  // namespace orvex::test
