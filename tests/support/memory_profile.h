// The product's in-memory profile with what tests look at besides: every write (integers
// included, they are written as text) logged, and writes that fail on demand.
#pragma once

#include <string>
#include <vector>

#include "core/memory_profile.h"

namespace orvex::test {

class MemoryProfile : public orvex::MemoryProfile {
 public:
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) override;

  bool Has(std::string_view key) { return HasSetting(*this, key); }
  // The keys written, in the order of the writes (section omitted when it is ControlCut).
  const std::vector<std::string>& WriteLog() const { return writeLog_; }
  void ClearWriteLog() { writeLog_.clear(); }
  // Makes every later write fail, as a read-only or full disk would.
  void FailWrites(bool fail) { failWrites_ = fail; }

 private:
  std::vector<std::string> writeLog_;
  bool failWrites_ = false;
};

}  // namespace orvex::test
