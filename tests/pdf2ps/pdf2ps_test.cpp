// The converter as a program: its handling of bad input (exit code, one line on stderr, no file
// at OUT.ps), and the bundled sample job: its committed files are what the generator writes
// today, and its PDF converts to the very body of its EPS. (The PostScript it writes for PDF
// features, and what the import makes of it, are import rows of the run transcripts.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/child_process.h"
#include "support/temp_dir.h"

namespace orvex::test {
namespace {

using namespace std::chrono_literals;

const std::string kSamples = std::string(ORVEX_SOURCE_DIR) + "/samples/";
const std::string kInputs = std::string(ORVEX_SOURCE_DIR) + "/tests/cli/inputs/";

// What the parser reads of a converter's PostScript: everything between %%EndPageSetup and
// showpage.
std::string PageBody(const std::string& postScript) {
  const std::size_t begin = postScript.find("%%EndPageSetup\n");
  const std::size_t end = postScript.find("showpage\n");
  return postScript.substr(begin + 15, end - begin - 15);
}

// The program as the converter adapter runs it.
ChildOutcome Pdf2Ps(const std::filesystem::path& in, const std::filesystem::path& out) {
  const auto outcome = RunChildProcess(
      {std::string(ORVEX_BINARY_DIR) + "/bin/orvex-pdf2ps", in.string(), out.string()}, 60s);
  EXPECT_EQ(outcome.signal, 0) << "crashed on " << in;
  return outcome;
}

TEST(Pdf2PsProgramTest, BadInputFailsWithOneLineAndLeavesTheOutputAlone) {
  TempDir dir;
  const std::string good = ReadFileBytes(kInputs + "import-reference-job.pdf");
  for (const auto& [name, bytes, exitCode] : std::vector<std::tuple<std::string, std::string, int>>{
           {"empty", "", 4},
           {"truncated", good.substr(0, good.size() / 3), 4},
           {"no page", ReadFileBytes(kInputs + "import-pdf-without-pages.pdf"), 6},
           {"encrypted", ReadFileBytes(kInputs + "import-encrypted.pdf"), 5}}) {
    SCOPED_TRACE(name);
    dir.Write("in.pdf", bytes);
    dir.Write("out.ps", "previous");
    const ChildOutcome run = Pdf2Ps(dir.File("in.pdf"), dir.File("out.ps"));
    EXPECT_EQ(run.exitCode, exitCode) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    EXPECT_EQ(run.output.rfind("orvex-pdf2ps: ", 0), 0U) << run.output;
    EXPECT_EQ(dir.Read("out.ps"), "previous");
  }
  EXPECT_EQ(Pdf2Ps(dir.File("missing.pdf"), dir.File("out.ps")).exitCode, 3);
  dir.Write("in.pdf", good);
  EXPECT_EQ(Pdf2Ps(dir.File("in.pdf"), dir.File("no-such-dir/out.ps")).exitCode, 7);
  EXPECT_EQ(RunChildProcess({std::string(ORVEX_BINARY_DIR) + "/bin/orvex-pdf2ps"}, 10s).exitCode,
            2);
  // Nothing but the files the cases wrote: no temporary left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator{}),
            2);
}

TEST(SampleJobTest, CommittedSamplesAreTheGeneratorsOutput) {
  TempDir dir;
  const auto run = RunChildProcess(
      {std::string(ORVEX_BINARY_DIR) + "/bin/orvex_make_sample_job", dir.Path().string()}, 60s);
  ASSERT_TRUE(run.Succeeded()) << run.output;
  for (const char* file : {"label-sheet.eps", "label-sheet.pdf"}) {
    EXPECT_EQ(dir.Read(file), ReadFileBytes(kSamples + file))
        << "regenerate: orvex_make_sample_job samples";
  }
  const ChildOutcome converted = Pdf2Ps(kSamples + "label-sheet.pdf", dir.File("out.ps"));
  ASSERT_EQ(converted.exitCode, 0) << converted.output;
  EXPECT_EQ(converted.output, "");
  EXPECT_EQ(PageBody(dir.Read("out.ps")), PageBody(ReadFileBytes(kSamples + "label-sheet.eps")));
}

}  // namespace
}  // namespace orvex::test
