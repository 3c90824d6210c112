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

  // Outside a batch every write is durable when it returns true.
  virtual bool WriteInt(std::string_view section, std::string_view key, int value) = 0;
  virtual bool WriteString(std::string_view section, std::string_view key,
                           std::string_view value) = 0;

  // Between these the writes may be held and made durable together when the outermost batch
  // ends, which then says whether all of them are. Use ProfileBatch rather than these.
  virtual void BeginBatch() {}
  virtual bool EndBatch() { return true; }

  // Where and why the last write that failed did not reach the disk: the settings file and the
  // system's reason, for the operator's message. Empty when nothing failed or there is no file.
  virtual std::string WriteFailure() const { return {}; }
};

// A group of keys written together: one write of the settings file instead of one per key.
class ProfileBatch {
 public:
  explicit ProfileBatch(Profile& profile) : profile_(profile) { profile_.BeginBatch(); }
  ~ProfileBatch() {
    if (!ended_) profile_.EndBatch();
  }
  ProfileBatch(const ProfileBatch&) = delete;
  ProfileBatch& operator=(const ProfileBatch&) = delete;

  // Ends the batch now; false when its writes did not all reach the disk.
  bool End() {
    ended_ = true;
    return profile_.EndBatch();
  }

 private:
  Profile& profile_;
  bool ended_ = false;
};

// The one section every setting lives in.
inline constexpr std::string_view kProfileSection = "ControlCut";

}  // namespace orvex
