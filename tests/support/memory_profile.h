// An in-memory Profile for tests: every value kept in a map, every write counted.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/profile.h"

namespace orvex::test {

class MemoryProfile : public Profile {
 public:
  int ReadInt(std::string_view section, std::string_view key, int defaultValue) override;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) override;
  bool WriteInt(std::string_view section, std::string_view key, int value) override;
  bool WriteString(std::string_view section, std::string_view key,
                   std::string_view value) override;

  bool Has(std::string_view key) const { return values_.count(Key(kProfileSection, key)) > 0; }
  // The keys written, in the order of the writes (section omitted when it is ControlCut).
  const std::vector<std::string>& WriteLog() const { return writeLog_; }
  void ClearWriteLog() { writeLog_.clear(); }
  // Makes every later write fail, as a read-only or full disk would.
  void FailWrites(bool fail) { failWrites_ = fail; }

 private:
  static std::string Key(std::string_view section, std::string_view key);
  std::map<std::string, std::string> values_;
  std::vector<std::string> writeLog_;
  bool failWrites_ = false;
};

}  // namespace orvex::test
