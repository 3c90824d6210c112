// PDF import through the whole loader, as the operator meets it (orvex-cli import with our
// converter beside it): a good PDF loads, every kind of bad PDF ends in the loader's message.
#include <gtest/gtest.h>

#include "pdf2ps/reference_job.h"
#include "platform/child_process.h"
#include "support/temp_dir.h"
#include "tools/minimal_pdf.h"

namespace orvex::test {
namespace {

using namespace std::chrono_literals;

const std::string kCli = std::string(ORVEX_BINARY_DIR) + "/bin/orvex-cli";

ChildOutcome Import(const TempDir& dir, const std::string& file) {
  return RunChildProcess({kCli, "import", dir.File(file).string(), "--workdir",
                          dir.File("work").string(), "--settings",
                          dir.File("orvex.conf").string(), "--json"},
                         120s);
}

// With the start-up job KVOSTART.DAT in the working directory too: a PDF that does not convert
// must never load it in its place.
TEST(PdfImportTest, BadPdfsEndInTheLoadersMessage) {
  if (!IsExecutableFile(kCli)) GTEST_SKIP() << "orvex-cli not built";
  TempDir dir;
  std::filesystem::create_directories(dir.File("work"));
  WriteFileBytes(dir.File("work") / "KVOSTART.DAT", ReferencePostScript());
  const std::string good = ReferencePdf();
  tools::MinimalPdf emptyPage;
  std::string garbage(3000, 'x');
  for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 131 % 256);
  dir.Write("truncated.pdf", good.substr(0, good.size() / 3));
  dir.Write("garbage.pdf", garbage);
  dir.Write("empty.pdf", "");
  dir.Write("empty-page.pdf", tools::SinglePagePdf(emptyPage, "", 200, 200));
  // Each file with what the converter says of it (empty: it converts, but holds no path).
  std::vector<std::pair<std::string, std::string>> files = {
      {"truncated.pdf", "damaged or not a PDF"},
      {"garbage.pdf", "damaged or not a PDF"},
      {"empty.pdf", "empty file, not a PDF"},
      {"empty-page.pdf", ""}};

  const char* path = std::getenv("PATH");
  const auto gs = FindOnPath("gs", path != nullptr ? path : "/usr/bin");
  if (!gs.empty()) {
    dir.Write("job.ps", ReferencePostScript());
    const auto made = RunChildProcess(
        {gs.string(), "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=pdfwrite",
         "-sOwnerPassword=o", "-sUserPassword=u", "-o", dir.File("encrypted.pdf").string(),
         dir.File("job.ps").string()},
        60s);
    if (made.Succeeded()) files.emplace_back("encrypted.pdf", "encrypted and needs a password");
  }

  for (const auto& [file, reason] : files) {
    SCOPED_TRACE(file);
    // A good job first, so a stale out.ps from it would show.
    dir.Write("good.pdf", good);
    const auto loaded = Import(dir, "good.pdf");
    ASSERT_EQ(loaded.exitCode, 0) << loaded.output;

    const auto outcome = Import(dir, file);
    EXPECT_EQ(outcome.signal, 0);
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitCode, 1) << outcome.output;
    const std::string message =
        "\"message\": \"Graphic file not saved correctly\\nPlease check the instructions";
    EXPECT_NE(outcome.output.find(message + (reason.empty() ? "\"" : "\\norvex-pdf2ps: ")),
              std::string::npos)
        << outcome.output;
    if (!reason.empty()) {
      EXPECT_NE(outcome.output.find("\"converter_reason\": \"orvex-pdf2ps: " +
                                    dir.File(file).string() + ": "),
                std::string::npos)
          << outcome.output;
      EXPECT_NE(outcome.output.find(reason), std::string::npos) << outcome.output;
    }
    EXPECT_EQ(outcome.output.find("\"ok\": true"), std::string::npos);
  }
}

TEST(PdfImportTest, ReferencePdfLoadsWithItsMarks) {
  if (!IsExecutableFile(kCli)) GTEST_SKIP() << "orvex-cli not built";
  TempDir dir;
  std::filesystem::create_directories(dir.File("work"));
  dir.Write("job.pdf", HandWrittenPdf());
  const auto outcome = Import(dir, "job.pdf");
  ASSERT_EQ(outcome.exitCode, 0) << outcome.output;
  for (const char* expected : {"\"ok\": true", "\"kind\": \"pdf\"", "\"width_mm\": 180.00",
                               "\"height_mm\": 130.00", "\"left_x\": 2.00", "\"right_x\": 178.00",
                               "\"dash\": [3, 2]", "\"special_contours\": 1"}) {
    EXPECT_NE(outcome.output.find(expected), std::string::npos) << expected << "\n" << outcome.output;
  }
}

}  // namespace
}  // namespace orvex::test
