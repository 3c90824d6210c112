// Settings in memory, and the copy of a profile's settings into another.
#include "core/memory_profile.h"

#include <charconv>

namespace orvex {
namespace {

std::string Key(std::string_view section, std::string_view key) {
  std::string joined(section);
  joined += '/';
  joined += key;
  return joined;
}

}  // namespace

int MemoryProfile::ReadInt(std::string_view section, std::string_view key, int defaultValue) {
  auto found = values_.find(Key(section, key));
  if (found == values_.end()) return defaultValue;
  const std::string& text = found->second;
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return defaultValue;
  return value;
}

std::string MemoryProfile::ReadString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) {
  auto found = values_.find(Key(section, key));
  return found == values_.end() ? std::string(defaultValue) : found->second;
}

bool MemoryProfile::WriteInt(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool MemoryProfile::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
  values_[Key(section, key)] = std::string(value);
  return true;
}

bool HasSetting(Profile& profile, std::string_view key) {
  // The port has no presence test; a key that is absent yields whichever default is asked for.
  return profile.ReadString(kProfileSection, key, "a") != "a" ||
         profile.ReadString(kProfileSection, key, "b") != "b";
}

void CopySettings(Profile& from, Profile& into, std::span<const std::string_view> keys) {
  for (std::string_view key : keys) {
    if (!HasSetting(from, key)) continue;
    into.WriteString(kProfileSection, key, from.ReadString(kProfileSection, key, ""));
  }
}

}  // namespace orvex
