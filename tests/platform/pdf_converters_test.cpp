// The converter adapters as child processes: arguments reach the program untouched, the time
// limit kills, output is drained, a failed conversion leaves no file, and the factory's choice.
#include "platform/pdf_converters.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>

#include "platform/child_process.h"
#include "platform/eps_converters.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

using namespace std::chrono_literals;

// A stand-in converter: a shell script made executable (the script is the program; no shell
// ever sees the arguments that the adapter passes).
std::filesystem::path WriteScript(const test::TempDir& dir, const std::string& name,
                                  const std::string& body) {
  dir.Write(name, "#!/bin/sh\n" + body);
  ::chmod(dir.File(name).c_str(), 0755);
  return dir.File(name);
}

std::vector<std::string> Listing(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(PdfConvertersTest, HostileFileNamesReachTheConverterAsOneArgumentEach) {
  test::TempDir dir;
  const auto program = WriteScript(dir, "conv", "printf '%s\\n' \"$#\" \"$1\" > \"$2\"\n");
  auto converter = MakeOurPdfConverter(program);
  for (const std::string name : {"label sheet.pdf", "it's \"quoted\".pdf", "a;touch injected;b.pdf",
                                 "$(touch x).pdf", "-looks-like-an-option.pdf"}) {
    SCOPED_TRACE(name);
    const std::string source = (dir.Path() / name).string();
    dir.Write(name, "%PDF");
    const std::string target = (dir.Path() / ("out " + std::to_string(name.size()) + ".ps"));
    ASSERT_EQ(converter->Convert(source, target), PdfConversion::kConverted);
    EXPECT_EQ(test::ReadFileBytes(target), "2\n" + source + "\n");
  }

  // Relative names starting with "-" are passed as ./-name, never as an option.
  auto pdftopsLike =
      MakePdftopsPdfConverter(WriteScript(dir, "fake-pdftops", "printf '%s|' \"$@\" > \"$3\"\n"));
  ASSERT_EQ(pdftopsLike->Convert("-dash.pdf", dir.File("p.ps").string()),
            PdfConversion::kConverted);
  const std::string args = dir.Read("p.ps");
  EXPECT_EQ(args.substr(0, args.find('|', 11) + 1), "-level2sep|./-dash.pdf|");
}

TEST(PdfConvertersTest, FailuresLeaveNoFileAndKeepTheConvertersMessage) {
  test::TempDir dir;
  const std::string target = dir.File("out.ps").string();
  dir.Write("in.pdf", "%PDF-1.4 truncated");

  // Half a file written then an error, success without any output, a killed converter: no
  // conversion, nothing at the target, no temporary left behind, and the converter's reason.
  const struct {
    const char* name;
    const char* script;
    const char* message;
  } kFailures[] = {
      {"fails",
       "printf '%%!PS half' > \"$2\"\necho noise\necho 'orvex-pdf2ps: damaged PDF' >&2\nexit 3\n",
       "orvex-pdf2ps: damaged PDF"},
      {"silent", "exit 0\n", "silent failed (exit 0)"},
      {"crashes", "kill -SEGV $$\n", "crashes failed (signal 11)"},
  };
  for (const auto& failure : kFailures) {
    SCOPED_TRACE(failure.name);
    auto converter = MakeOurPdfConverter(WriteScript(dir, failure.name, failure.script));
    EXPECT_EQ(converter->Convert(dir.File("in.pdf").string(), target), PdfConversion::kFailed);
    EXPECT_EQ(converter->LastMessage(), failure.message);
    EXPECT_FALSE(dir.Exists("out.ps"));
  }

  // A program that is not there cannot be started.
  auto missing = MakeOurPdfConverter(dir.File("not-installed"));
  EXPECT_EQ(missing->Convert(dir.File("in.pdf").string(), target), PdfConversion::kUnavailable);

  EXPECT_EQ(Listing(dir.Path()),
            (std::vector<std::string>{"crashes", "fails", "in.pdf", "silent"}));
}

// The time limit kills the converter and what it started; a chatty one is drained, not blocked.
TEST(PdfConvertersTest, TimeLimitKillsTheConverterAndWhatItStartedAndOutputIsDrained) {
  test::TempDir dir;
  // The script's own child (sleep) holds the output pipe too: both must go.
  const auto hangs = WriteScript(dir, "hangs", "printf partial > \"$2\"\nsleep 30\n");
  ChildProcessPdfConverter converter(hangs, {}, 300ms);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(converter.Convert(dir.File("in.pdf").string(), dir.File("out.ps").string()),
            PdfConversion::kFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_NE(converter.LastMessage().find("stopped"), std::string::npos);
  EXPECT_FALSE(dir.Exists("out.ps"));
  // A grandchild that outlives a converter which already exited is ended too.
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(
      RunChildProcess({WriteScript(dir, "leaves", "sleep 30 &\nexit 0\n").string()}, 2s).exitCode,
      0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);

  const auto chatty =
      WriteScript(dir, "chatty",
                  "head -c 3000000 /dev/zero | tr '\\0' x\nhead -c 100000 /dev/zero >&2\n"
                  "echo done > \"$2\"\n");
  const ChildOutcome outcome = RunChildProcess({chatty.string(), "a", dir.File("o").string()}, 20s);
  EXPECT_TRUE(outcome.Succeeded());
  EXPECT_LE(outcome.output.size(), 2u * 64 * 1024);
}

// The Ghostscript route: gs draws a PDF of the EPS beside the target (a "%" in its name escaped
// from gs's page numbering), our converter turns it into the target, and the PDF goes away.
TEST(PdfConvertersTest, GhostscriptRouteRunsPdfwriteThenOurConverter) {
  test::TempDir dir;
  const auto gs =
      WriteScript(dir, "gs",
                  "for a; do printf '%s\\n' \"$a\"; done > \"$(dirname \"$0\")/args\"\n"
                  "case \"$7\" in -sOutputFile=*) out=${7#-sOutputFile=} ;; esac\n"
                  "printf '%%PDF drawn' > \"$(printf '%s' \"$out\" | sed 's/%%/%/g')\"\n");
  const auto ours = WriteScript(dir, "ours", "cat \"$1\" > \"$2\"; echo ' converted' >> \"$2\"\n");
  GhostscriptEpsConverter converter(gs, MakeOurPdfConverter(ours));
  std::filesystem::create_directory(dir.File("100%"));
  const std::string target = (dir.File("100%") / "out.ps").string();
  ASSERT_EQ(converter.Convert("-plot.eps", target), PdfConversion::kConverted)
      << converter.FailureReason();
  EXPECT_EQ(test::ReadFileBytes(target), "%PDF drawn converted\n");
  const std::string args = dir.Read("args");
  EXPECT_EQ(args.substr(0, args.find("-sOutputFile")),
            "-q\n-dSAFER\n-dBATCH\n-dNOPAUSE\n-dEPSCrop\n-sDEVICE=pdfwrite\n");
  EXPECT_NE(args.find("/100%%/out.ps.converting-"), std::string::npos) << args;
  EXPECT_NE(args.find("\n./-plot.eps\n"), std::string::npos) << args;
  EXPECT_EQ(Listing(dir.File("100%")), std::vector<std::string>{"out.ps"});

  // Without our converter (pdftops would keep the transforms) the route is not available.
  GhostscriptEpsConverter halfInstalled(gs, nullptr);
  EXPECT_EQ(halfInstalled.Convert("x.eps", dir.File("other.ps").string()),
            PdfConversion::kUnavailable);
}

TEST(PdfConvertersTest, FactoryPrefersOursThenPdftopsThenNone) {
  test::TempDir beside, path1, path2, empty;
  WriteScript(path2, "pdftops", "exit 0\n");
  const auto onPath = WriteScript(path2, "orvex-pdf2ps", "exit 0\n");
  const auto own = WriteScript(beside, "orvex-pdf2ps", "exit 0\n");
  const std::string pathList = path1.Path().string() + "::" + path2.Path().string();

  auto program = [](const std::unique_ptr<PdfConverter>& converter) {
    auto* child = dynamic_cast<ChildProcessPdfConverter*>(converter.get());
    return child != nullptr ? child->Program() : std::filesystem::path{};
  };
  EXPECT_EQ(program(MakePdfConverter({beside.Path(), pathList})), own);
  EXPECT_EQ(program(MakePdfConverter({empty.Path(), pathList})), onPath);

  std::filesystem::remove(onPath);
  EXPECT_EQ(program(MakePdfConverter({empty.Path(), pathList})), path2.File("pdftops"));

  // A file that is not executable does not count as installed.
  ::chmod(path2.File("pdftops").c_str(), 0644);
  auto none = MakePdfConverter({empty.Path(), pathList});
  EXPECT_FALSE(none->Available());
  EXPECT_EQ(none->Convert("a.pdf", empty.File("out.ps").string()), PdfConversion::kUnavailable);
}

}  // namespace
}  // namespace orvex
