// orvex-cli import --order: the sorted file it leaves, the two JSON members it adds, passes and
// mirroring as a sheet start would order them.
#include <gtest/gtest.h>

#include <string>

#include "cli_runner.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

using test::Quoted;

class ImportOrderTest : public ::testing::Test {
 protected:
  test::CliOutcome Import(const std::string& options) {
    return test::RunCli("import " +
                        Quoted(std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps") +
                        " --workdir " + Quoted(dir_.Path().string()) + " --settings " +
                        Quoted(dir_.File("orvex.conf").string()) + " " + options);
  }

  // The integer after `"key": ` in the JSON line.
  static long Member(const std::string& json, const std::string& key) {
    std::size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos) return -1;
    return std::stol(json.substr(at + key.size() + 4));
  }

  test::TempDir dir_;
};

TEST_F(ImportOrderTest, OrderWritesTheSortedFileAndReportsItsContours) {
  test::CliOutcome plain = Import("--json");
  ASSERT_EQ(plain.status, 0) << plain.out;
  EXPECT_EQ(plain.out.find("ordered_contours"), std::string::npos);
  EXPECT_FALSE(dir_.Exists("sortx.prn"));

  test::CliOutcome once = Import("--order --json");
  ASSERT_EQ(once.status, 0) << once.out;
  long contours = Member(once.out, "ordered_contours");
  EXPECT_EQ(contours, Member(once.out, "contours"));
  EXPECT_NE(once.out.find("\"total_cut_length_mm\": 3162."), std::string::npos) << once.out;
  std::string sortx = dir_.Read("sortx.prn");
  EXPECT_EQ(sortx.substr(sortx.size() - 2), "A\n");
  // The special section leads, unchanged from sort.prn.
  long specialEnd = Member(once.out, "special_end");
  ASSERT_GT(specialEnd, 0);
  EXPECT_EQ(sortx.substr(0, specialEnd), dir_.Read("sort.prn").substr(0, specialEnd));

  test::CliOutcome twice = Import("--order --passes 2 --json");
  ASSERT_EQ(twice.status, 0) << twice.out;
  EXPECT_EQ(Member(twice.out, "ordered_contours"), 2 * contours);
  EXPECT_TRUE(dir_.Exists("sortp.prn"));

  test::CliOutcome mirrored = Import("--order --special-mode 2 --reverse");
  ASSERT_EQ(mirrored.status, 0) << mirrored.out;
  EXPECT_NE(mirrored.out.find("Order:"), std::string::npos) << mirrored.out;
  EXPECT_TRUE(dir_.Exists("sortmirror.prn"));
}

}  // namespace
}  // namespace orvex
