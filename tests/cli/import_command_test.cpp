// orvex-cli import as an operator or a script calls it, where the run transcripts do not look:
// the default working directory, usage errors and the preview image. A refused file and one cut
// short, in text and JSON, are transcript rows.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <map>
#include <string>

#include "cli_runner.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

using test::CliOutcome;
using test::Quoted;

const std::string kSample = std::string(ORVEX_SOURCE_DIR) + "/samples/label-sheet.eps";

CliOutcome Cli(const std::string& arguments, const std::string& environment = "") {
  return test::RunCli(arguments, test::Stderr::kDropped, environment);
}

class ImportCommandTest : public ::testing::Test {
 protected:
  std::string Common() const {
    return "--workdir " + Quoted(dir_.Path().string()) + " --settings " +
           Quoted(dir_.File("orvex.conf").string());
  }
  std::string Sample() const { return Quoted(kSample); }

  test::TempDir dir_;
};

// Run without --workdir, the import takes the working directory from the environment.
TEST_F(ImportCommandTest, TheEnvironmentNamesTheDefaultWorkDir) {
  test::TempDir other;
  CliOutcome run = Cli(
      "import " + Sample() + " --settings " + Quoted(dir_.File("orvex.conf").string()) + " --json",
      "ORVEX_WORKDIR=" + Quoted(other.Path().string()));
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_TRUE(other.Exists("sort.prn"));
  EXPECT_FALSE(dir_.Exists("sort.prn"));
}

// Usage errors, the ordering options' among them, are found before anything is imported; help
// is given on every subcommand, and after "--" a name that looks like an option is the file.
TEST_F(ImportCommandTest, UsageErrorsExitTwoAndHelpAndFilesAfterTheEndOfOptionsDoNot) {
  const std::string job = "import " + Sample() + " " + Common() + " ";
  for (const std::string& arguments :
       {std::string(), std::string("frobnicate"), "import " + Common(),
        "import a.eps b.eps " + Common(), job + "--multiple 6", job + "--spacing 0",
        job + "--mark-mode x", job + "--preview", job + "--colour red", job + "--passes 2",
        job + "--order --passes 0", job + "--order --passes x", job + "--order --special-mode 5",
        job + "--order --special-mode"}) {
    EXPECT_EQ(Cli(arguments).status, 2) << arguments;
  }
  EXPECT_FALSE(dir_.Exists("sort.prn"));
  for (const char* command : {"import", "findmark", "simulate"}) {
    CliOutcome help = Cli(std::string(command) + " --workdir --help");
    EXPECT_EQ(help.status, 0) << command << help.out;
    EXPECT_EQ(help.out.rfind(std::string("usage: orvex-cli ") + command, 0), 0U) << help.out;
  }
  dir_.Write("-job.eps", test::ReadFileBytes(kSample));
  const std::string inDir = "cd " + Quoted(dir_.Path().string()) + " &&";
  CliOutcome dashed = Cli("import " + Common() + " --json -- -job.eps", inDir);
  EXPECT_EQ(dashed.status, 0) << dashed.out;
  EXPECT_NE(dashed.out.find("\"ok\": true"), std::string::npos) << dashed.out;
  EXPECT_EQ(Cli("import " + Common() + " -job.eps", inDir).status, 2);
}

TEST_F(ImportCommandTest, PreviewDrawsCutPathsBlackAndSpecialPathsMagenta) {
  std::string png = dir_.File("preview.png").string();
  CliOutcome run = Cli("import " + Sample() + " " + Common() + " --preview " + Quoted(png));
  ASSERT_EQ(run.status, 0) << run.out;
  QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  std::map<QRgb, int> inks;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) ++inks[image.pixel(x, y)];
  }
  EXPECT_GT(inks[qRgb(0, 0, 0)], 1000);
  EXPECT_GT(inks[qRgb(255, 0, 255)], 50);
  EXPECT_EQ(inks.size(), 3U);  // and white: no antialiasing, the preview is a line drawing

  CliOutcome unwritable = Cli("import " + Sample() + " " + Common() + " --preview " +
                              Quoted(dir_.File("no/such/dir/p.png").string()) + " --json");
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_NE(unwritable.out.find("\"preview_written\": false"), std::string::npos);
}

}  // namespace
}  // namespace orvex
