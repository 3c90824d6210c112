// The graphic path parser: what each drawing becomes in the cut-path files (operators and their
// stack effects, path-start rewrites, degenerate segments, rectangles, skips), the special
// paths and the dash test, what it refuses, PREINT, and hostile input. The drawings whose point
// is the exact file text are the golden list parser_drawings.golden; whole graphics are import
// rows of the run transcripts.
#include "import/eps_path_parser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace orvex {
namespace {

// 10 mm, 20 mm and 30 mm in points: every coordinate below prints as a round number.
constexpr const char* kTen = "28.3465";
constexpr const char* kTwenty = "56.693";
constexpr const char* kThirty = "85.0395";

// An EPS whose prolog runs past the skip position and ends with "%%EndProlog".
std::string Eps(const std::string& body) {
  return "%!PS-Adobe-3.0 EPSF-3.0\n%" + std::string(6600, 'p') + "\n%%EndProlog\n" + body;
}

std::string P(const char* a, const char* b) {
  return std::string(a) + " " + b + " ";
}

constexpr const char* kSquare10 =
    "M \nL 10.00 10.00 20.00 10.00 \nL 20.00 10.00 20.00 20.00 \n"
    "L 20.00 20.00 10.00 20.00 \nL 10.00 20.00 10.00 10.00 \n";

const std::string kSquarePs = P(kTen, kTen) + "m " + P(kTwenty, kTen) + "l " + P(kTwenty, kTwenty) +
                              "l " + P(kTen, kTwenty) + "l " + P(kTen, kTen) + "l\n";

class ParserTest : public ::testing::Test {
 protected:
  bool ParseEps(const std::string& body, int kind = 1) { return ParseRaw(Eps(body), kind); }
  bool ParseRaw(const std::string& bytes, int kind = 1) {
    EpsPathParser parser(dir_.Path());
    const bool ok = parser.ParseEpsBytes(bytes, kind);
    summary_ = parser.Summary();
    return ok;
  }
  bool ParseAi(const std::string& body) {
    dir_.Write("job.ai", body);
    EpsPathParser parser(dir_.Path());
    return parser.ParseAi(dir_.File("job.ai"));
  }
  std::string Psint() const { return dir_.Read("PSINT"); }
  std::string Tpsint() const { return dir_.Exists("TPSINT") ? dir_.Read("TPSINT") : "<none>"; }

  test::TempDir dir_;
  ParseSummary summary_;
};

struct Drawing {
  std::string name, body, psint, tpsint = "<none>";
};

// The drawings of parser_drawings.golden; its head describes the layout.
std::vector<Drawing> GoldenDrawings() {
  std::vector<Drawing> drawings;
  std::ifstream file(ORVEX_SOURCE_DIR "/tests/import/parser_drawings.golden");
  std::string* into = nullptr;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("== ", 0) == 0) {
      drawings.push_back({line.substr(3), "", ""});
      into = &drawings.back().body;
    } else if (line == "-- PSINT" || line == "-- TPSINT") {
      into = line == "-- PSINT" ? &drawings.back().psint : &drawings.back().tpsint;
      into->clear();
    } else if (into == &drawings.back().body) {
      *into += line + "\n";
    } else {
      *into += line.substr(0, line.size() - 1) + (line.back() == '$' ? "\n" : "");
    }
  }
  return drawings;
}

TEST_F(ParserTest, EachDrawingBecomesItsCutPathRecords) {
  std::vector<Drawing> drawings = GoldenDrawings();
  ASSERT_GT(drawings.size(), 20U);
  // Tokens too long for the buffer are skipped whole; 255 characters still fit.
  drawings.push_back({"over-long tokens",
                      std::string(100000, '7') + " " + std::string(255, '0') + "1 " + kSquarePs +
                          std::string(256, '5') + " %%Trailer\n",
                      kSquare10});
  // After an emptying operator one number lands in slot 1 and "l" takes slot 0 (still the
  // moveto's x); operators without effect keep the stack.
  for (const char* op : {"x", "(PANTONE", "@w", "@E", "k", "cm"}) {
    drawings.push_back({op, P(kThirty, kThirty) + "m 0 0 0 0 0 0 " + op + " " + kTen + " l\n",
                        "M \nL 30.00 30.00 30.00 10.00 \n"});
  }
  for (const char* op :
       {"B", "z", "e", "o", "r", "(Black)", "(CutContour)", "%Bitmap", "@BMP", "/_Swis721ThBT",
        "FontChange:/_Swis721ThBT", "%AI5_EndLayer--", "T", "G"}) {
    drawings.push_back(
        {op, "0 0 m " + P(kTwenty, kTen) + op + " l\n", "M \nL 0.00 0.00 20.00 10.00 \n"});
  }
  // One working directory for all: a job without special paths must not leave the previous
  // job's TPSINT behind.
  for (const Drawing& d : drawings) {
    SCOPED_TRACE(d.name);
    EXPECT_TRUE(ParseEps(d.body));
    EXPECT_EQ(Psint(), d.psint);
    EXPECT_EQ(Tpsint(), d.tpsint);
  }
}

// Huge dash values neither overflow nor make a job. (The extents, a curve's among them, and the
// special counts and dash of real graphics are import rows of the run transcripts.)
TEST_F(ParserTest, HugeDashValuesAreClamped) {
  EXPECT_FALSE(ParseEps("[1e30 9e30] 0 d\n" + kSquarePs + "%%Trailer\n"));
  EXPECT_EQ(summary_.dashOn, 1000000);
}

TEST_F(ParserTest, OnlyADashArrayOfTheRightSpanIsADash) {
  const std::string dashed = "[3.5 2.5] 0 d\n70.866 566.929 m 141.732 566.929 l\n";
  // Single digits put the "[" only 9 characters before the end of "d": a solid stroke, which
  // ends the dashed state; so do CR LF line ends. The parse must get past each of them (a jump
  // back before "d" would read it forever). A first value of 0, a "[" further than 28
  // characters back, or no number at all are no dash either.
  for (const std::string& solid :
       {dashed + "[3 2] 0 d\n", dashed + "[3 2] 0 d\r\n", std::string("[0 2.5] 0 d\n"),
        std::string("[3.5 2.5                          ] 0 d\n"),
        std::string("[abcdefgh ijk] 0 d\n")}) {
    SCOPED_TRACE(solid);
    ASSERT_TRUE(ParseEps(solid + kSquarePs + "%%Trailer\n"));
    EXPECT_EQ(Psint(), kSquare10);
  }
  ASSERT_TRUE(ParseEps("[3.5 2.5 1.5] 0 d\n" + kSquarePs + "[] 0 d " + kSquarePs + "%%Trailer\n"));
  EXPECT_EQ(Tpsint(), kSquare10);
}

TEST_F(ParserTest, InputWithoutACutPathIsRefusedAndNoGraphicIsTheStartUpJob) {
  const std::string pad = "%" + std::string(6600, 'q') + "\n";
  for (const auto& [name, bytes] : std::vector<std::pair<std::string, std::string>>{
           {"empty", ""},
           {"one byte", "x"},
           {"no prolog past the skip", kSquarePs + "%%EndProlog\n" + kSquarePs},
           {"no end of the prolog", pad + kSquarePs},
           {"an Xd skip to the end", Eps("Xd 0 0 0 m 99 99 l\n")},
           {"a layer skip to the end", Eps("%AI5_BeginLayer 0 0 0 m 99 99 l\n")},
           {"a stream skip to the end", Eps("endstream 0 0 m 99 99 l\n")},
           {"special paths alone", Eps("0 1 0 0 k " + kSquarePs)},
           {"path starts without segments", Eps("0 0 m 10 10 m 20 20 m 30 30 m %%Trailer\n")}}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(ParseRaw(bytes));
    EXPECT_FLOAT_EQ(summary_.width, 0.0F);
  }
  // A directory chosen as the graphic opens but reads nothing; a missing or empty one reads the
  // start-up job instead.
  EpsPathParser parser(dir_.Path());
  EXPECT_FALSE(parser.ParseEps(dir_.Path(), 1));
  EXPECT_FALSE(parser.ParseAi(dir_.Path()));
  dir_.Write("KVOSTART.DAT", Eps(kSquarePs));
  dir_.Write("empty.eps", "");
  EXPECT_TRUE(parser.ParseEps(dir_.File("empty.eps"), 1));
  EXPECT_TRUE(parser.ParseEps(dir_.File("missing.eps"), 1));
  EXPECT_EQ(Psint(), kSquare10);
}

TEST_F(ParserTest, PrologEndsAtEndPageSetupAndConvertedPdfsSkipTheirOwn) {
  const std::string pad = "%" + std::string(6600, 'q') + "\n";
  ASSERT_TRUE(ParseRaw(pad + "%%EndPageSetup\n" + kSquarePs));
  EXPECT_EQ(Psint(), kSquare10);
  const std::string both = pad + "%%EndProlog\n0 0 m " + P(kTen, "0") + "l\n%%EndPageSetup\n" +
                           kSquarePs + "%%Trailer\n";
  ASSERT_TRUE(ParseRaw(both, 3));
  EXPECT_EQ(Psint(), kSquare10);
  ASSERT_TRUE(ParseRaw(both, 1));
  EXPECT_EQ(Psint(), std::string("O \nL 0.00 0.00 10.00 0.00 \n") + kSquare10);
}

TEST_F(ParserTest, IllustratorBodiesAreCopiedToPreintFromTheFirstVisibleLayer) {
  // Which layer is copied to PREINT, and that a translation before it never reaches it, is an
  // import row.
  const std::string tail = "\n%%EOF\n" + std::string(120, '%') + "\n";
  // "cm" and "@E" neither move the origin nor empty the stack here: "L" takes the
  // translation's numbers. A 5000-character token does not fit the copy and never reaches it.
  ASSERT_TRUE(ParseAi("%AI5_BeginLayer\n1 Lb\n0 0 m 1 0 0 1 28.3465 28.3465 cm @E L " +
                      std::string(5000, '9') + " %%Trailer\n" + tail));
  EXPECT_EQ(Psint(), "O \nL 0.00 0.00 10.00 10.00 \n");
  EXPECT_EQ(dir_.Read("PREINT").find("9999"), std::string::npos);
  // After "endstream": back 14, two characters, forward 20, on to the next "m", one more
  // character, then the characters up to the next space.
  ASSERT_TRUE(
      ParseAi("%AI5_BeginLayer 1\n0 0 m\n28.3465 0 l\nabcdefghij\nendstream\n"
              "0123456789012345678m_ 28.3465 l\n%%Trailer\n" +
              tail));
  EXPECT_NE(dir_.Read("PREINT").find(" 28.3465 l\n %%Trailer"), std::string::npos);
  EXPECT_EQ(dir_.Read("PREINT").find("endstream"), std::string::npos);
  // No trailer: the copy stops 100 bytes before the end; files of 100 bytes or less give an
  // empty PREINT and no job.
  ASSERT_TRUE(ParseAi("%AI5_BeginLayer\n1 1 Lb\n" + kSquarePs + std::string(99, ' ') + "X\n"));
  EXPECT_EQ(dir_.Read("PREINT").find("X"), std::string::npos);
  EXPECT_FALSE(ParseAi("%AI5_BeginLayer\n1 0 0 m 28 0 l 28 28 l %%Trailer\n"));
  EXPECT_EQ(dir_.Read("PREINT"), "");
  EXPECT_FALSE(ParseAi(""));
}

// A path longer than the output buffer: its start letter is rewritten on disk, not in memory.
TEST_F(ParserTest, APathLongerThanTheBufferIsRewrittenOnDisk) {
  std::string longPath = "0 0 m ";
  for (int i = 1; i <= 12000; ++i) longPath += std::to_string(i) + " 0 l ";
  ASSERT_TRUE(ParseEps(longPath + kSquarePs + "%%Trailer\n"));
  const std::string psint = Psint();
  EXPECT_EQ(psint.substr(0, 3), "O \n");
  EXPECT_EQ(psint.substr(psint.size() - std::string(kSquare10).size()), kSquare10);
  EXPECT_EQ(std::count(psint.begin(), psint.end(), 'M'), 1);
}

}  // namespace
}  // namespace orvex
