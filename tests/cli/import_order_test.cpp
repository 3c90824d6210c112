// orvex-cli import --order: the sorted file it leaves, the two JSON members it adds, passes and
// mirroring as a sheet start would order them, and the options it refuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/temp_dir.h"

namespace orvex {
namespace {

struct CliResult {
  int status = -1;
  std::string out;
};

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class ImportOrderTest : public ::testing::Test {
 protected:
  CliResult Import(const std::string& options) {
    std::string command = Quoted(std::string(ORVEX_BINARY_DIR) + "/bin/orvex-cli") + " import " +
                          Quoted(std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps") +
                          " --workdir " + Quoted(dir_.Path().string()) + " --settings " +
                          Quoted(dir_.File("orvex.conf").string()) + " " + options + " 2>&1";
    CliResult run;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, got);
    int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
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
  CliResult plain = Import("--json");
  ASSERT_EQ(plain.status, 0) << plain.out;
  EXPECT_EQ(plain.out.find("ordered_contours"), std::string::npos);
  EXPECT_FALSE(dir_.Exists("sortx.prn"));

  CliResult once = Import("--order --json");
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

  CliResult twice = Import("--order --passes 2 --json");
  ASSERT_EQ(twice.status, 0) << twice.out;
  EXPECT_EQ(Member(twice.out, "ordered_contours"), 2 * contours);
  EXPECT_TRUE(dir_.Exists("sortp.prn"));

  CliResult mirrored = Import("--order --special-mode 2 --reverse");
  ASSERT_EQ(mirrored.status, 0) << mirrored.out;
  EXPECT_NE(mirrored.out.find("Order:"), std::string::npos) << mirrored.out;
  EXPECT_TRUE(dir_.Exists("sortmirror.prn"));
}

TEST_F(ImportOrderTest, OrderingOptionsAreCheckedBeforeAnythingIsImported) {
  for (const char* options : {"--passes 2", "--order --passes 0", "--order --passes x",
                              "--order --special-mode 5", "--order --special-mode"}) {
    CliResult run = Import(options);
    EXPECT_EQ(run.status, 2) << options << "\n" << run.out;
  }
  EXPECT_FALSE(dir_.Exists("sort.prn"));
}

}  // namespace
}  // namespace orvex
