// The operator's persistent settings: integers and strings by section and key.
// The Qt adapter (platform/qsettings_profile) keeps them in QSettings; tests use an in-memory one.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

class Profile {
 public:
  virtual ~Profile() = default;

  // A key that is absent yields the default the caller passes; nothing is written back.
  virtual int ReadInt(std::string_view section, std::string_view key, int defaultValue) = 0;
  virtual std::string ReadString(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) = 0;

  // Every write is durable when it returns true.
  virtual bool WriteInt(std::string_view section, std::string_view key, int value) = 0;
  virtual bool WriteString(std::string_view section, std::string_view key,
                           std::string_view value) = 0;
};

// The one section every setting lives in.
inline constexpr std::string_view kProfileSection = "ControlCut";

}  // namespace orvex
