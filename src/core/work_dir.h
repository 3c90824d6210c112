// The working directory: every working, state and feature file lives in it, one spelling each.
#pragma once

#include <filesystem>
#include <string_view>

namespace orvex {

// File names inside the working directory.
namespace workfile {
inline constexpr std::string_view kPsint = "PSINT";
inline constexpr std::string_view kTpsint = "TPSINT";
inline constexpr std::string_view kPreint = "PREINT";
inline constexpr std::string_view kMarks = "mk3.dat";
inline constexpr std::string_view kMulti = "multi.prn";
inline constexpr std::string_view kSort = "sort.prn";
inline constexpr std::string_view kSortMirror = "sortmirror.prn";
inline constexpr std::string_view kSortPasses = "sortp.prn";
inline constexpr std::string_view kSortOrdered = "sortx.prn";
inline constexpr std::string_view kConvertedPdf = "out.ps";
inline constexpr std::string_view kFallbackGraphic = "KVOSTART.DAT";
inline constexpr std::string_view kRecent = "recent.dat";
inline constexpr std::string_view kReport = "report.dat";
inline constexpr std::string_view kAngles = "angle.dat";
inline constexpr std::string_view kBranding = "xdevcap.dxt";
inline constexpr std::string_view kReverseVariant = "revc.dat";
inline constexpr std::string_view kFrontCamera = "frontc.dat";
inline constexpr std::string_view kTestFeature = "testc.dat";
inline constexpr std::string_view kHundredFeature = "100.dat";
}  // namespace workfile

class WorkDir {
 public:
  explicit WorkDir(std::filesystem::path root) : root_(std::move(root)) {}

  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path File(std::string_view name) const { return root_ / name; }

 private:
  std::filesystem::path root_;
};

}  // namespace orvex
