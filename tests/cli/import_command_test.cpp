// orvex-cli import as an operator or a script calls it: exit statuses, the JSON keys, the files
// it leaves in the working directory, the preview image, and --order's sorted files.
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

// The integer after `"key": ` in the JSON line.
long Member(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\": ");
  return at == std::string::npos ? -1 : std::stol(json.substr(at + key.size() + 4));
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
TEST_F(ImportCommandTest, SampleJobLoadsWithEveryJsonKeyIntoTheDefaultWorkDir) {
  test::TempDir other;
  CliOutcome run =
      Cli("import " + Sample() + " --settings " + Quoted(dir_.File("orvex.conf").string()) +
              " --multiple 3 --spacing 10 --json",
          "ORVEX_WORKDIR=" + Quoted(other.Path().string()));
  ASSERT_EQ(run.status, 0) << run.out;
  for (const char* key :
       {"\"ok\": true", "\"message\": \"\"", "\"kind\": \"eps\"", "\"route\": \"parser\"",
        "\"converter_reason\": null", "\"warnings\": []", "\"multiple_lines\": 3",
        "\"width_mm\": ", "\"height_mm\": ", "\"marks\": {\"left_x\": ", "\"right_x\": ",
        "\"base_y\": ", "\"top_x\": ", "\"top_y\": ", "\"special_paths\": ", "\"dash\": [",
        "\"contours\": ", "\"cut_length_mm\": ", "\"special_end\": "}) {
    EXPECT_NE(run.out.find(key), std::string::npos) << key << "\n" << run.out;
  }
  EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);  // one object on one line
  EXPECT_TRUE(other.Exists("sort.prn"));
  EXPECT_FALSE(dir_.Exists("sort.prn"));

  // A file cut short loads, with the warning listed.
  const std::string whole = test::ReadFileBytes(kSample);
  dir_.Write("short.eps", whole.substr(0, whole.rfind("%%Trailer")));
  run = Cli("import " + Quoted(dir_.File("short.eps").string()) + " " + Common() + " --json");
  EXPECT_NE(run.out.find("\"warnings\": [\"The graphic "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("ends before its %%EOF"), std::string::npos) << run.out;
}

// The loader's refusals and their texts are the import's own tests; here the exit status and how
// the message comes out: escaped in JSON, its lines joined in the text.
TEST_F(ImportCommandTest, RefusedJobsExitOneWithTheLoadersMessage) {
  dir_.Write("empty.eps", "");
  const std::string job = "import " + Quoted(dir_.File("empty.eps").string()) + " " + Common();
  CliOutcome json = Cli(job + " --json");
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(json.out.rfind("{\"ok\": false, \"message\": \"Graphic file not saved correctly\\n"
                           "Please check the instructions",
                           0),
            0U)
      << json.out;
  CliOutcome text = Cli(job);
  EXPECT_EQ(text.status, 1);
  EXPECT_NE(text.out.find("REFUSED:  Graphic file not saved correctly; Please check"),
            std::string::npos)
      << text.out;
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

// --order: the sorted file with the special section leading unchanged from sort.prn, and the
// members it adds; passes and mirroring as a sheet start would order them.
TEST_F(ImportCommandTest, OrderWritesTheSortedFileAndReportsItsContours) {
  const std::string job = "import " + Sample() + " " + Common() + " --json";
  CliOutcome plain = Cli(job);
  EXPECT_EQ(plain.out.find("ordered_contours"), std::string::npos);
  EXPECT_FALSE(dir_.Exists("sortx.prn"));
  CliOutcome once = Cli(job + " --order");
  ASSERT_EQ(once.status, 0) << once.out;
  const long contours = Member(once.out, "ordered_contours");
  EXPECT_EQ(contours, Member(once.out, "contours"));
  EXPECT_NE(once.out.find("\"total_cut_length_mm\": 3162."), std::string::npos) << once.out;
  const std::string sortx = dir_.Read("sortx.prn");
  EXPECT_EQ(sortx.substr(sortx.size() - 2), "A\n");
  const long specialEnd = Member(once.out, "special_end");
  ASSERT_GT(specialEnd, 0);
  EXPECT_EQ(sortx.substr(0, specialEnd), dir_.Read("sort.prn").substr(0, specialEnd));
  EXPECT_EQ(Member(Cli(job + " --order --passes 2").out, "ordered_contours"), 2 * contours);
  EXPECT_TRUE(dir_.Exists("sortp.prn"));
  CliOutcome mirrored =
      Cli("import " + Sample() + " " + Common() + " --order --special-mode 2 --reverse");
  EXPECT_NE(mirrored.out.find("Order:"), std::string::npos) << mirrored.out;
  EXPECT_TRUE(dir_.Exists("sortmirror.prn"));
}

}  // namespace
}  // namespace orvex
