#include "support/memory_profile.h"

#include <cstdlib>

namespace orvex::test {

std::string MemoryProfile::Key(std::string_view section, std::string_view key) {
  return std::string(section) + "/" + std::string(key);
}

int MemoryProfile::ReadInt(std::string_view section, std::string_view key, int defaultValue) {
  auto it = values_.find(Key(section, key));
  if (it == values_.end()) return defaultValue;
  return static_cast<int>(std::strtol(it->second.c_str(), nullptr, 10));
}

std::string MemoryProfile::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) {
  auto it = values_.find(Key(section, key));
  return it == values_.end() ? std::string(defaultValue) : it->second;
}

bool MemoryProfile::WriteInt(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool MemoryProfile::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
  if (failWrites_) return false;
  values_[Key(section, key)] = std::string(value);
  writeLog_.push_back(section == kProfileSection ? std::string(key) : Key(section, key));
  return true;
}

}  // namespace orvex::test
