// The graphic path parser: operators and their stack effects, path-start rewrites, degenerate
// segments, the dash test, rectangles, layer skips, PREINT and hostile input.
#include "import/eps_path_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "import/path_record_stream.h"
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

class ParserTest : public ::testing::Test {
 protected:
  bool ParseEps(const std::string& body, int kind = 1) {
    dir_.Write("job.eps", Eps(body));
    EpsPathParser parser(dir_.Path());
    bool ok = parser.ParseEps(dir_.File("job.eps"), kind);
    summary_ = parser.Summary();
    return ok;
  }
  bool ParseRaw(const std::string& bytes, int kind = 1) {
    EpsPathParser parser(dir_.Path());
    bool ok = parser.ParseEpsBytes(bytes, kind);
    summary_ = parser.Summary();
    return ok;
  }
  std::string Psint() const { return dir_.Read("PSINT"); }
  std::string Tpsint() const { return dir_.Exists("TPSINT") ? dir_.Read("TPSINT") : "<none>"; }
  int FilesInDir() const {
    int count = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
      ++count;
    }
    return count;
  }

  test::TempDir dir_;
  ParseSummary summary_;
};

constexpr const char* kSquare10 =
    "M \nL 10.00 10.00 20.00 10.00 \nL 20.00 10.00 20.00 20.00 \n"
    "L 20.00 20.00 10.00 20.00 \nL 10.00 20.00 10.00 10.00 \n";

std::string SquarePs() {
  return P(kTen, kTen) + "m " + P(kTwenty, kTen) + "l " + P(kTwenty, kTwenty) + "l " +
         P(kTen, kTwenty) + "l " + P(kTen, kTen) + "l\n";
}

TEST_F(ParserTest, ClosedPathKeepsItsStartAndRecordsHaveTheFixedLayout) {
  ASSERT_TRUE(ParseEps(SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10);
  EXPECT_EQ(Tpsint(), "<none>");
  EXPECT_FLOAT_EQ(summary_.minX, 10.0F);
  EXPECT_FLOAT_EQ(summary_.maxY, 20.0F);
  EXPECT_FLOAT_EQ(summary_.width, 10.0F);
  EXPECT_FLOAT_EQ(summary_.height, 10.0F);
  EXPECT_EQ(summary_.specialCount, 0);
  EXPECT_EQ(FilesInDir(), 2) << "job.eps and PSINT only: no temporary left behind";
}

TEST_F(ParserTest, PathStartRewrites) {
  // Open path followed by a start without segments, then a closed square, then the trailer.
  std::string body = P("0", "0") + "m " + P(kTen, "0") + "l " + P(kThirty, kThirty) + "m " +
                     SquarePs() + "%%Trailer\n";
  ASSERT_TRUE(ParseEps(body));
  EXPECT_EQ(Psint(), std::string("O \nL 0.00 0.00 10.00 0.00 \n  \n") + kSquare10);

  // Without "%%Trailer" the last path is never rewritten, even when it is open.
  ASSERT_TRUE(ParseEps(P("0", "0") + "m " + P(kTen, "0") + "l\n"));
  EXPECT_EQ(Psint(), "M \nL 0.00 0.00 10.00 0.00 \n");

  // A path longer than the output buffer: its start letter is rewritten on disk, not in memory.
  std::string longPath = P("0", "0") + "m ";
  for (int i = 1; i <= 12000; ++i) longPath += std::to_string(i) + " 0 l ";
  ASSERT_TRUE(ParseEps(longPath + SquarePs() + "%%Trailer\n"));
  std::string psint = Psint();
  EXPECT_GT(psint.size(), 300000U);
  EXPECT_EQ(psint.substr(0, 3), "O \n");
  EXPECT_EQ(psint.substr(psint.size() - std::string(kSquare10).size()), kSquare10);
  EXPECT_EQ(std::count(psint.begin(), psint.end(), 'M'), 1);

  // Ends within 0.1 mm count as closed; beyond, open.
  ASSERT_TRUE(ParseEps("0 0 m 28.3465 0 l 0.2 0 l %%Trailer\n"));
  EXPECT_EQ(Psint()[0], 'M');
  ASSERT_TRUE(ParseEps("0 0 m 28.3465 0 l 0.3 0 l %%Trailer\n"));
  EXPECT_EQ(Psint()[0], 'O');
}

// Illustrator's pattern swatches sit in the setup with tiles at the page origin; they fill,
// they are never cut, and the job's extents are the artwork's.
TEST_F(ParserTest, PatternSwatchTilesAreNeitherCutsNorExtents) {
  const std::string swatch =
      "%AI3_BeginPattern: (Stripe)\n(Stripe) 0 0 80 80 [\n%AI3_Tile\n(\n0 0 m\n200 0 L\nS\n"
      "0 300 m\n200 300 L\nS\n) &\n] E\n%AI3_EndPattern\n";
  ASSERT_TRUE(ParseEps(swatch + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10);
  EXPECT_FLOAT_EQ(summary_.width, 10.0F);
  EXPECT_FLOAT_EQ(summary_.height, 10.0F);
}

TEST_F(ParserTest, SegmentsBeforeAnyMovetoGetAStartLineOfTheirOwn) {
  ASSERT_TRUE(ParseEps(P(kTen, "0") + "l " + P(kTwenty, "0") + "l %%Trailer\n"));
  EXPECT_EQ(Psint(), "O \nL 0.00 0.00 10.00 0.00 \nL 10.00 0.00 20.00 0.00 \n");
}

TEST_F(ParserTest, DegenerateSegmentsStayOutOfTheCutFileOnly) {
  std::string degenerate = P(kTen, kTen) + "m " + P(kTen, kTen) + "l " + P(kTen, kTen) +
                           P(kTwenty, kTwenty) + P(kTen, kTen) + "c " + P(kTwenty, kTwenty) +
                           P(kTen, kTen) + P(kTen, kTen) + "c " + P(kTwenty, kTen) + "l\n";
  // The special colour routes the same drawing to TPSINT, which takes every segment.
  ASSERT_TRUE(ParseEps(degenerate + "0 1 0 0 k\n" + degenerate + "0 0 0 1 k\n%%Trailer\n"));
  // The trailer closes the special path with the cut file's write position as its start: the
  // rewrite leaves one stray blank at the end, which readers skip.
  EXPECT_EQ(Psint(), "O \nL 10.00 10.00 20.00 10.00 \n ");
  EXPECT_EQ(Tpsint(),
            "M \nL 10.00 10.00 10.00 10.00 \n"
            "C 10.00 10.00 10.00 10.00 10.00 10.00 20.00 20.00 \n"
            "C 10.00 10.00 10.00 10.00 20.00 20.00 10.00 10.00 \n"
            "L 10.00 10.00 20.00 10.00 \n");
  // A curve back to its start whose controls both differ from the start is a real loop.
  ASSERT_TRUE(ParseEps(P(kTen, kTen) + "m " + P(kTwenty, kTen) + P(kTwenty, kTwenty) +
                       P(kTen, kTen) + "c %%Trailer\n"));
  EXPECT_EQ(Psint(), "M \nC 10.00 10.00 10.00 10.00 20.00 10.00 20.00 20.00 \n");
}

TEST_F(ParserTest, CurveOperatorsPlaceTheirControlPoints) {
  std::string start = P("0", "0") + "m ";
  std::string body = start + P(kTen, "0") + P(kTwenty, kTen) + P(kThirty, kThirty) + "c " + start +
                     P(kTen, "0") + P(kTwenty, kTen) + P(kThirty, kThirty) + "C " + start +
                     P(kTwenty, kTen) + P(kThirty, kThirty) + "v " + start + P(kTwenty, kTen) +
                     P(kThirty, kThirty) + "V " + start + P(kTen, "0") + P(kThirty, kThirty) +
                     "y " + start + P(kTen, "0") + P(kThirty, kThirty) + "Y\n";
  ASSERT_TRUE(ParseEps(body));
  EXPECT_EQ(Psint(),
            "O \nC 0.00 0.00 30.00 30.00 10.00 0.00 20.00 10.00 \n"
            "O \nC 0.00 0.00 30.00 30.00 10.00 0.00 20.00 10.00 \n"
            "O \nC 0.00 0.00 30.00 30.00 0.00 0.00 20.00 10.00 \n"
            "O \nC 0.00 0.00 30.00 30.00 0.00 0.00 20.00 10.00 \n"
            "O \nC 0.00 0.00 30.00 30.00 10.00 0.00 30.00 30.00 \n"
            "M \nC 0.00 0.00 30.00 30.00 10.00 0.00 30.00 30.00 \n");
}

TEST_F(ParserTest, BoundingBoxFollowsCurvesOnlyWhenAControlPointLeavesIt) {
  // Controls inside the end points' box: the box is the end points'.
  ASSERT_TRUE(ParseEps("0 0 m 10 10 20 20 85.0395 85.0395 c %%Trailer\n"));
  EXPECT_FLOAT_EQ(summary_.minX, 0.0F);
  EXPECT_FLOAT_EQ(summary_.maxX, 30.0F);
  EXPECT_FLOAT_EQ(summary_.maxY, 30.0F);
  // A bulge upwards: controls at 30 mm height over a flat base reach 22.5 mm at t = 0.5 (the
  // sampled maximum), never the controls' own height.
  ASSERT_TRUE(ParseEps("0 0 m 0 85.0395 85.0395 85.0395 85.0395 0 c %%Trailer\n"));
  EXPECT_FLOAT_EQ(summary_.minY, 0.0F);
  EXPECT_NEAR(summary_.maxY, 22.5F, 1e-4);
  EXPECT_FLOAT_EQ(summary_.maxX, 30.0F);
}

TEST_F(ParserTest, SpecialColourRoutesPathsAndCounts) {
  std::string body = "0 1 0 0 k\n" + SquarePs() + "0 0 0 1 K\n" + P(kTen, kTen) + "m " +
                     P(kTwenty, kTen) + "l\n" + "0 1 0 0 create_cmyk_color\n" + SquarePs() + "G\n" +
                     P(kTen, kTen) + "m " + P(kThirty, kTen) + "l %%Trailer\n";
  ASSERT_TRUE(ParseEps(body));
  EXPECT_EQ(summary_.specialCount, 2);
  EXPECT_EQ(summary_.dashOn, 1);
  EXPECT_EQ(summary_.dashOff, 1);
  EXPECT_EQ(Tpsint(), std::string(kSquare10) + kSquare10);
  EXPECT_EQ(Psint(), "O \nL 10.00 10.00 20.00 10.00 \nO \nL 10.00 10.00 30.00 10.00 \n");
  // Near-magenta is an ordinary colour.
  ASSERT_TRUE(ParseEps("0 0.99 0 0 k\n" + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(summary_.specialCount, 0);
  EXPECT_EQ(Tpsint(), "<none>");
}

TEST_F(ParserTest, OriginOffsetFromMatrixOperators) {
  // cm takes the translation only; T resets it; the offset is added before conversion.
  std::string body = "1 0 0 1 28.3465 28.3465 cm\n" + P("0", "0") + "m " + P(kTen, "0") + "l\nT " +
                     P("0", "0") + "m " + P(kTen, "0") + "l\n" + "2 0 0 2 0 28.3465 @tm " +
                     P("0", "0") + "m " + P(kTen, "0") + "l\n";
  ASSERT_TRUE(ParseEps(body));
  EXPECT_EQ(Psint(),
            "O \nL 10.00 10.00 20.00 10.00 \nO \nL 0.00 0.00 10.00 0.00 \n"
            "M \nL 0.00 10.00 10.00 10.00 \n");
}

TEST_F(ParserTest, OperandStackIndexRules) {
  // 60 numbers wrap around the 50 slots; the last two are on top.
  std::string many;
  for (int i = 0; i < 58; ++i) many += "1 ";
  ASSERT_TRUE(ParseEps("0 0 m " + many + P(kTen, kTwenty) + "l %%Trailer\n"));
  EXPECT_EQ(Psint(), "O \nL 0.00 0.00 10.00 20.00 \n");

  // An emptying operator leaves the index at the first slot, so a lone number lands in the
  // second and the operator's first operand is the stale first slot. "x" empties; "B" does not.
  ASSERT_TRUE(ParseEps(P(kThirty, "0") + "m 7 x " + kTen + " l\n"));
  EXPECT_EQ(Psint(), "M \nL 30.00 0.00 30.00 10.00 \n");
  ASSERT_TRUE(ParseEps("0 0 m " + P(kTwenty, kTen) + "B l\n"));
  EXPECT_EQ(Psint(), "M \nL 0.00 0.00 20.00 10.00 \n");
  // Unknown tokens, "[" prefixes and "]" suffixes.
  ASSERT_TRUE(ParseEps("0 0 m [" + std::string(kTwenty) + " foo " + kTen + "] l\n"));
  EXPECT_EQ(Psint(), "M \nL 0.00 0.00 20.00 10.00 \n");
  // Illustrator's capital spellings act like the lower-case ones.
  ASSERT_TRUE(ParseEps("0 0 M " + P(kTen, "0") + "L " + P(kTen, "0") + P(kTen, "0") +
                       P(kTen, kTen) + "C\n"));
  EXPECT_EQ(Psint(),
            "M \nL 0.00 0.00 10.00 0.00 \nC 10.00 0.00 10.00 10.00 10.00 0.00 10.00 0.00 \n");
  // An operator on a stack that was never filled reads zeros and does not fail.
  ASSERT_TRUE(ParseEps("l c m 0 0 m 28.3465 0 l\n"));
}

TEST_F(ParserTest, OperatorsThatOnlyEmptyTheStack) {
  // After each, one number lands in slot 1 and "l" takes slot 0 (still the moveto's x) as its x;
  // without the emptying it would take the last zero.
  for (const char* op : {"x", "(PANTONE", "@w", "@E", "k", "cm"}) {
    ASSERT_TRUE(ParseEps(P(kThirty, kThirty) + "m 0 0 0 0 0 0 " + op + " " + kTen + " l\n")) << op;
    EXPECT_EQ(Psint(), "M \nL 30.00 30.00 30.00 10.00 \n") << op;
  }
  // Operators without effect keep the stack.
  for (const char* op :
       {"B", "z", "e", "o", "r", "(Black)", "(CutContour)", "%Bitmap", "@BMP", "/_Swis721ThBT",
        "FontChange:/_Swis721ThBT", "%AI5_EndLayer--", "T", "G"}) {
    ASSERT_TRUE(ParseEps("0 0 m " + P(kTwenty, kTen) + op + " l\n")) << op;
    EXPECT_EQ(Psint(), "M \nL 0.00 0.00 20.00 10.00 \n") << op;
  }
}

TEST_F(ParserTest, DashTestWithBareLineFeeds) {
  // The token after "d" is read whole (a fixed jump of 7 would cut "70.866" to "0.866").
  std::string dashed = "[3.5 2.5] 0 d\n70.866 566.929 m 141.732 566.929 l\n";
  ASSERT_TRUE(ParseEps(dashed + "[] 0 d\n" + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(summary_.specialCount, 1);
  EXPECT_EQ(summary_.dashOn, 3);
  EXPECT_EQ(summary_.dashOff, 2);
  EXPECT_EQ(Tpsint(), "M \nL 25.00 200.00 50.00 200.00 \n");
  EXPECT_EQ(Psint(), kSquare10);

  // Single digits put the "[" only 9 characters before the end of "d": a solid stroke, which
  // ends the dashed state; so do arrays of three values and the same with CR LF line ends. The
  // parse must get past each of them (a jump back before "d" would read it forever).
  for (const char* solid : {"[3 2] 0 d\n", "[3 2] 0 d\r\n", "[] 0 d\n"}) {
    ASSERT_TRUE(ParseEps(dashed + solid + SquarePs() + "%%Trailer\n")) << solid;
    EXPECT_EQ(Psint(), kSquare10) << solid;
  }
  ASSERT_TRUE(
      ParseEps("[3.5 2.5 1.5] 0 d\n" + SquarePs() + "[] 0 d " + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(summary_.specialCount, 1);
  EXPECT_EQ(Tpsint(), kSquare10);

  // A first value of 0 changes nothing; a "[" further than 28 characters back is not seen.
  ASSERT_TRUE(ParseEps("[0 2.5] 0 d\n" + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(summary_.specialCount, 0);
  ASSERT_TRUE(ParseEps("[3.5 2.5                          ] 0 d\n" + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(summary_.specialCount, 0);
  EXPECT_EQ(Psint(), kSquare10);
}

TEST_F(ParserTest, DashedPathsAndSpecialColourCountSeparately) {
  ASSERT_TRUE(ParseEps("0 1 0 0 k [3.5 2.5] 0 d\n" + SquarePs() + "[3 2] 0 d\n" + SquarePs() +
                       "0 0 0 1 k\n" + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(summary_.specialCount, 2);
  // The dash took over from the special colour, so the solid array that ends the dash sends the
  // second square to the cut file.
  EXPECT_EQ(Tpsint(), kSquare10);
  EXPECT_EQ(Psint(), std::string(kSquare10) + kSquare10);
  // Huge or non-numeric dash values neither overflow nor count.
  EXPECT_FALSE(ParseEps("[1e30 9e30] 0 d\n" + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(summary_.dashOn, 1000000);
  EXPECT_EQ(Tpsint(), kSquare10);
  ASSERT_TRUE(ParseEps("[abcdefgh ijk] 0 d\n" + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(summary_.specialCount, 0);
}

TEST_F(ParserTest, RectangleRule) {
  ASSERT_TRUE(ParseEps("0 0 28.3465 28.3465 re\n" + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10);
  ASSERT_TRUE(ParseEps("1 0 0 1 100 100 cm " + P(kTen, kTen) + P(kTen, kTen) + "re %%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10) << "re resets the origin offset";
  // A fill followed by the same corner draws nothing; the tokens after it are still parsed.
  ASSERT_TRUE(ParseEps(P(kTen, kTen) + P(kTen, kTen) + "re f " + P(kTen, kTen) + P(kTen, kTen) +
                       "re %%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10);
  ASSERT_TRUE(ParseEps(P(kTen, kTen) + P(kTen, kTen) + "re f " + P(kTen, kTwenty) + "m " +
                       P(kTwenty, kTwenty) + "l %%Trailer\n"));
  EXPECT_EQ(Psint(), std::string(kSquare10) + "O \nL 10.00 20.00 20.00 20.00 \n");
}

TEST_F(ParserTest, SkippedObjectsLayersAndStreams) {
  // Xd with a flag other than 1 skips to the next "1" token.
  ASSERT_TRUE(ParseEps("Xd 0 0 0 m 99 99 l 1 " + SquarePs() + "Xd 1 %%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10);
  // A hidden layer is skipped up to the next layer, which is parsed whatever its flag.
  ASSERT_TRUE(ParseEps("%AI5_BeginLayer 0 0 0 m 99 99 l %AI5_BeginLayer 0 " + SquarePs() +
                       "%AI5_EndLayer-- %AI5_BeginLayer 1 %%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10);
  // endstream skips to the next "obj" and the two tokens after it.
  ASSERT_TRUE(
      ParseEps("endstream 0 0 m 99 99 l endobj 5 0 obj 12 34 " + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10);
  // Skips that run to the end of the input end the parse.
  EXPECT_FALSE(ParseEps("Xd 0 0 0 m 99 99 l\n"));
  EXPECT_FALSE(ParseEps("%AI5_BeginLayer 0 0 0 m 99 99 l\n"));
  EXPECT_FALSE(ParseEps("endstream 0 0 m 99 99 l\n"));
}

TEST_F(ParserTest, PrologSkip) {
  // Everything before byte 6500 is prolog; "%%EndPageSetup" also ends the skip.
  std::string small = SquarePs() + "%%EndProlog\n" + SquarePs();
  EXPECT_FALSE(ParseRaw(small));
  std::string pad = "%" + std::string(6600, 'q') + "\n";
  ASSERT_TRUE(ParseRaw(pad + "%%EndPageSetup\n" + SquarePs()));
  EXPECT_EQ(Psint(), kSquare10);
  // Converted PDFs ignore "%%EndProlog": their prolog has its own.
  std::string both = pad + "%%EndProlog\n" + P("0", "0") + "m " + P(kTen, "0") +
                     "l\n%%EndPageSetup\n" + SquarePs() + "%%Trailer\n";
  ASSERT_TRUE(ParseRaw(both, 3));
  EXPECT_EQ(Psint(), kSquare10);
  ASSERT_TRUE(ParseRaw(both, 1));
  EXPECT_EQ(Psint(), std::string("O \nL 0.00 0.00 10.00 0.00 \n") + kSquare10);
  // The prolog scan reaching the end of the input leaves no paths.
  EXPECT_FALSE(ParseRaw(pad + SquarePs()));
}

TEST_F(ParserTest, SpecialFileLifecycleAndFallbackGraphic) {
  ASSERT_TRUE(ParseEps("0 1 0 0 k " + SquarePs() + "0 0 0 1 k " + SquarePs() + "%%Trailer\n"));
  ASSERT_TRUE(dir_.Exists("TPSINT"));
  // The next job has no special path: the old TPSINT must not survive it.
  ASSERT_TRUE(ParseEps(SquarePs() + "%%Trailer\n"));
  EXPECT_FALSE(dir_.Exists("TPSINT"));

  // A missing or empty graphic reads KVOSTART.DAT instead.
  dir_.Write("KVOSTART.DAT", Eps(SquarePs()));
  dir_.Write("empty.eps", "");
  EpsPathParser parser(dir_.Path());
  EXPECT_TRUE(parser.ParseEps(dir_.File("empty.eps"), 1));
  EXPECT_TRUE(parser.ParseEps(dir_.File("missing.eps"), 1));
  EXPECT_EQ(Psint(), std::string(kSquare10).replace(0, 1, "M"));
}

TEST_F(ParserTest, FailedParseReportsFalseAndResetsTheSummary) {
  ASSERT_TRUE(ParseEps("0 1 0 0 k " + SquarePs() + "0 0 0 1 k " + SquarePs()));
  EXPECT_EQ(summary_.specialCount, 1);
  // Special paths alone are no job.
  EXPECT_FALSE(ParseEps("0 1 0 0 k " + SquarePs()));
  EXPECT_EQ(Tpsint(), kSquare10);
  // Path starts without any segment fill PSINT with blanks only: no contour, no success.
  EXPECT_FALSE(ParseEps("0 0 m 10 10 m 20 20 m 30 30 m 40 40 m %%Trailer\n"));
  EXPECT_EQ(Psint(), "  \n  \n  \n  \n  \n");
  EXPECT_EQ(summary_.specialCount, 0);
  EXPECT_FLOAT_EQ(summary_.width, 0.0F);
}

TEST_F(ParserTest, NonFiniteCoordinatesNeverReachTheFiles) {
  ASSERT_TRUE(ParseEps("0 0 m 1e39 0 l -nan 5 l 0 0 m 3e38 3e38 cm 3e38 0 l T " + SquarePs() +
                       "%%Trailer\n"));
  std::string psint = Psint();
  EXPECT_EQ(psint.find("inf"), std::string::npos) << psint;
  EXPECT_EQ(psint.find("nan"), std::string::npos) << psint;
  EXPECT_FLOAT_EQ(summary_.width, 10.0F);
}

TEST_F(ParserTest, CutFileReadsBackThroughTheSharedRecordReader) {
  // Blanked starts, an open path, CR-free records and the trailing stray blank: the readers of
  // the later steps must see exactly the paths and positions written.
  ASSERT_TRUE(ParseEps("0 0 m 5 5 m " + SquarePs() + "0 1 0 0 k 0 0 m 9 9 l 0 0 0 1 k " +
                       P("0", "0") + "m " + P(kTen, "0") + "l 0 1 0 0 k 0 0 m 9 9 l %%Trailer\n"));
  std::string psint = Psint();
  ASSERT_EQ(psint.back(), ' ');
  PathRecordStream reader;
  ASSERT_TRUE(reader.Open(dir_.File("PSINT")));
  PathRecord record;
  std::string letters;
  std::vector<long> starts;
  while (reader.Next(record)) {
    if (record.letter == ' ') continue;  // a blanked start met at the very beginning
    letters += record.letter;
    if (record.letter == 'M' || record.letter == 'O') starts.push_back(record.position);
    EXPECT_TRUE(record.complete);
  }
  EXPECT_EQ(letters, "MLLLLOL");
  ASSERT_EQ(starts.size(), 2U);
  // A start's position is just after "M \n": its first segment line.
  EXPECT_EQ(psint.substr(static_cast<std::size_t>(starts[0]) - 3, 5), "M \nL ");
  EXPECT_EQ(psint.substr(static_cast<std::size_t>(starts[1]) - 3, 5), "O \nL ");
}

// --- Illustrator input through PREINT ------------------------------------------------------

class IllustratorTest : public ParserTest {
 protected:
  bool ParseAi(const std::string& body) {
    dir_.Write("job.ai", body);
    EpsPathParser parser(dir_.Path());
    bool ok = parser.ParseAi(dir_.File("job.ai"));
    summary_ = parser.Summary();
    return ok;
  }
  static std::string Tail() { return "\n%%EOF\n" + std::string(120, '%') + "\n"; }
};

TEST_F(IllustratorTest, PreintCopiesTheFirstVisibleLayerOn) {
  std::string body =
      "%!PS-Adobe-3.0\n%%Creator: test\n1 0 0 1 99 99 cm\n"
      "%AI5_BeginLayer\n0 1 1 1 0 0 Lb\n(Hidden) Ln\n0 0 m 1 1 L\n"
      "%AI5_BeginLayer\n1 1 1 1 0 0 Lb\n(Cut) Ln\n" +
      SquarePs() + "%%Trailer\n%%EOF ignored tokens after trailer\n" + Tail();
  ASSERT_TRUE(ParseAi(body));
  EXPECT_EQ(dir_.Read("PREINT"),
            " 1 1 1 0 0 Lb\n (Cut)\n Ln\n 28.3465 28.3465 m\n 56.693 28.3465 l\n"
            " 56.693 56.693 l\n 28.3465 56.693 l\n 28.3465 28.3465 l\n %%Trailer\n");
  // The translation before the layer never reaches PREINT, and cm is inert for this input.
  EXPECT_EQ(Psint(), kSquare10);
}

TEST_F(IllustratorTest, MatrixOperatorsAreInertAndOverlongTokensDropped) {
  // For Illustrator input "cm" and "@E" neither move the origin nor empty the stack: the "L"
  // after them takes the translation's numbers as its point. A 5000-character token does not
  // fit the copy buffer and never reaches PREINT.
  std::string body = "%AI5_BeginLayer\n1 Lb\n0 0 m 1 0 0 1 28.3465 28.3465 cm @E L " +
                     std::string(5000, '9') + " %%Trailer\n" + Tail();
  ASSERT_TRUE(ParseAi(body));
  EXPECT_EQ(Psint(), "O \nL 0.00 0.00 10.00 10.00 \n");
  EXPECT_EQ(dir_.Read("PREINT").find("9999"), std::string::npos);
  // The same drawing as EPS: cm empties and translates, so "L" reads stale slots.
  ASSERT_TRUE(ParseEps("0 0 m 1 0 0 1 28.3465 28.3465 cm 0 28.3465 L %%Trailer\n"));
  EXPECT_EQ(Psint(), "O \nL 10.00 10.00 10.00 20.00 \n");
}

TEST_F(IllustratorTest, PreintStopsShortOfTheLastHundredBytes) {
  // No trailer: the copy runs until 100 bytes before the end.
  std::string body = "%AI5_BeginLayer\n1 1 Lb\n" + SquarePs() + std::string(99, ' ') + "X\n";
  ASSERT_TRUE(ParseAi(body));
  EXPECT_EQ(dir_.Read("PREINT").find("X"), std::string::npos);
  EXPECT_EQ(Psint(), std::string(kSquare10));
  // Files of 100 bytes or less give an empty PREINT and a failed load.
  EXPECT_FALSE(ParseAi(std::string("%AI5_BeginLayer\n1 ") + "0 0 m 28 0 l 28 28 l %%Trailer\n"));
  EXPECT_EQ(dir_.Read("PREINT"), "");
  EXPECT_FALSE(ParseAi(""));
  EXPECT_FALSE(ParseAi("%AI5_BeginLayer"));
  EpsPathParser parser(dir_.Path());
  EXPECT_FALSE(parser.ParseAi(dir_.File("missing.ai")));
  EXPECT_EQ(dir_.Read("PREINT"), "");
}

TEST_F(IllustratorTest, StreamEndCopiesTheCharactersAfterTheNextM) {
  // After "endstream": back 14, two characters (a line feed there writes " \n"), forward 20,
  // on to the next "m", one more character, then the characters up to the next space.
  std::string body = "%AI5_BeginLayer 1\n0 0 m\n28.3465 0 l\n" + std::string("abcdefghij\n") +
                     "endstream\n" + "0123456789012345678m_ 28.3465 l\n%%Trailer\n" + Tail();
  ASSERT_TRUE(ParseAi(body));
  std::string preint = dir_.Read("PREINT");
  EXPECT_NE(preint.find(" 28.3465 l\n %%Trailer"), std::string::npos) << preint;
  EXPECT_EQ(preint.find("endstream"), std::string::npos) << preint;
}

// --- hostile input -------------------------------------------------------------------------

TEST_F(ParserTest, MalformedInputEndsInAResultNeverACrashOrHang) {
  EXPECT_FALSE(ParseRaw("x"));
  EXPECT_FALSE(ParseEps(""));
  // Truncated in the middle of a record and of a number.
  std::string full = Eps(SquarePs() + SquarePs() + "%%Trailer\n");
  for (std::size_t cut : {full.size() - 1, full.size() - 9, full.size() / 2 + 3400}) {
    ParseRaw(full.substr(0, cut));
  }
  // A token of 100 kB (and one just over the buffer) is skipped whole: its digits never
  // become a coordinate, and the next token is read normally.
  ASSERT_TRUE(ParseEps(std::string(100000, '7') + " " + SquarePs() + std::string(256, '5') +
                       " %%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10);
  ASSERT_TRUE(ParseEps(std::string(255, '0') + "1 " + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10) << "255 characters still fit";
  // A million numbers without an operator, then a path.
  std::string numbers;
  numbers.reserve(4000000);
  for (int i = 0; i < 1000000; ++i) numbers += "12.5 ";
  ASSERT_TRUE(ParseEps(numbers + SquarePs() + "%%Trailer\n"));
  EXPECT_EQ(Psint(), kSquare10);
  // Binary noise, with and without a real body after it.
  std::mt19937 random(7);
  std::string noise(200000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  ParseRaw(noise);
  ParseEps(noise);
  ParseRaw(noise, 3);
  EpsPathParser parser(dir_.Path());
  parser.ParseAiBytes(noise);
  parser.ParseAiBytes("%AI5_BeginLayer\n1 endstream endstream\n" + noise);
  // A directory chosen as the graphic opens but reads nothing.
  EXPECT_FALSE(parser.ParseEps(dir_.Path(), 1));
  EXPECT_FALSE(parser.ParseAi(dir_.Path()));
}

}  // namespace
}  // namespace orvex
