// Settings kept in memory: the profile of a run on the simulated machine, which writes its
// settings as any run does while the operator's own stay as they were.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>

#include "core/profile.h"

namespace orvex {

class MemoryProfile : public Profile {
 public:
  // An integer read of a value that is not wholly an integer yields the default, as the
  // platform's profile does.
  int ReadInt(std::string_view section, std::string_view key, int defaultValue) override;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) override;
  bool WriteInt(std::string_view section, std::string_view key, int value) override;
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;

 private:
  std::map<std::string, std::string, std::less<>> values_;
};

// True when `profile` holds `key` of the settings section, whatever its value.
bool HasSetting(Profile& profile, std::string_view key);
// Copies every one of `keys` that `from` holds in the settings section into `into`.
void CopySettings(Profile& from, Profile& into, std::span<const std::string_view> keys);

}  // namespace orvex
