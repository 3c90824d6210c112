// Cutter command set: every command text, variant and refusal against the golden list in
// cutter_commands.golden, then what the sending adds to it (one open per command, refusals, link
// errors) and the service buttons' sequences with their waits. The run's own sequences and how
// they move the head's record are held by the run transcripts.
#include "run/cutter_command.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/manual_clock.h"
#include "support/memory_cutter_transport.h"
#include "support/wire_text.h"

namespace orvex {
namespace {

using test::Readable;

// The state every row of the golden list starts from.
RunContext BaseContext() {
  RunContext ctx;
  ctx.cutterPath = "\\\\?\\usb#vid_0b4d&pid_1130#1";
  ctx.cutterModel = 1;
  ctx.defaultSpeed = 50;
  ctx.cameraOffsetX = 80;
  ctx.jobWidth = 300.0F;
  ctx.mediaWidth = 320;
  return ctx;
}

// Sets one of the golden list's settings ("name=value") on the state; false for an unknown name.
bool Apply(const std::string& setting, RunContext& c, CutterCommandInputs& i) {
  const std::size_t eq = setting.find('=');
  const double v = eq == std::string::npos ? 0.0 : std::stod(setting.substr(eq + 1));
  using Setters = std::map<std::string, std::function<void()>>;
#define FIELD(o, name) Setters::value_type(#name, [&] { o.name = decltype(o.name)(v); })
  const Setters setters = {
      FIELD(i, bladeUp),         FIELD(c, creasingInstalled), FIELD(c, creasingVariant),
      FIELD(c, cutterModel),     FIELD(i, dashedLineOn),      FIELD(i, dashedSpeed),
      FIELD(c, edgeMode),        FIELD(c, headCross),         FIELD(c, jobWidth),
      FIELD(i, labelStep),       FIELD(c, markMode),          FIELD(c, mediaWidth),
      FIELD(c, specialMode),     FIELD(i, specialSpeed),      FIELD(c, unitFactor),
      FIELD(c, wideCarriage),    FIELD(i, dashedUpLength),    FIELD(i, dashedCutLength),
      FIELD(i, specialUpLength), FIELD(i, specialCutLength)};
#undef FIELD
  const auto setter = setters.find(setting.substr(0, eq));
  if (setter == setters.end()) return false;
  setter->second();
  return true;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  for (std::size_t from = 0;;) {
    const std::size_t at = text.find(separator, from);
    parts.push_back(text.substr(from, at == std::string::npos ? at : at - from));
    if (at == std::string::npos) return parts;
    from = at + separator.size();
  }
}

struct GoldenText {
  int number = 0;
  std::string settings;  // "-": the base state
  std::string writes;    // readable, " || " between writes
  std::string head;      // headCross after the command, "kept", or empty: not looked at
};

const std::vector<GoldenText>& GoldenList() {
  static const std::vector<GoldenText> list = [] {
    std::vector<GoldenText> rows;
    std::ifstream file(ORVEX_SOURCE_DIR "/tests/run/cutter_commands.golden");
    for (std::string line; std::getline(file, line);) {
      if (line.empty() || line[0] == '#') continue;
      const std::vector<std::string> cols = Split(line, " | ");
      rows.push_back(
          {std::stoi(cols.at(0)), cols.at(1), cols.at(2), cols.size() > 3 ? cols[3] : ""});
    }
    return rows;
  }();
  return list;
}

// The golden text of a command after the given settings.
std::string Golden(int number, const std::string& settings = "-") {
  for (const GoldenText& row : GoldenList()) {
    if (row.number == number && row.settings == settings) return row.writes;
  }
  return "no golden text for " + std::to_string(number) + " after " + settings;
}

TEST(CutterCommandTexts, EveryCommandAndVariantAsTheGoldenListHasIt) {
  ASSERT_GT(GoldenList().size(), 60U);
  for (const GoldenText& row : GoldenList()) {
    SCOPED_TRACE(testing::Message() << row.number << " | " << row.settings);
    RunContext ctx = BaseContext();
    CutterCommandInputs in;
    for (const std::string& setting : Split(row.settings, " ")) {
      ASSERT_TRUE(setting == "-" || Apply(setting, ctx, in)) << setting;
    }
    const CommandTexts texts = FormatCutterCommand(row.number, ctx, in);
    ASSERT_TRUE(texts.known);
    const bool refused = row.writes == "(refused)";
    EXPECT_EQ(texts.refused, refused);
    std::vector<std::string> readable;
    for (const std::string& write : texts.writes) {
      EXPECT_LE(write.size(), 124U);  // the cutter's command buffer, even at the window's limits
      readable.push_back(Readable(write));
    }
    EXPECT_EQ(readable, refused ? std::vector<std::string>{} : Split(row.writes, " || "));
    if (row.head == "kept") {
      EXPECT_FALSE(texts.headCrossAfter.has_value());
    } else if (!row.head.empty()) {
      EXPECT_EQ(texts.headCrossAfter, std::stoi(row.head));
    }
  }
}

class CutterCommandTest : public ::testing::Test {
 protected:
  RunContext ctx = BaseContext();
  CutterCommandInputs in;
  test::MemoryCutterTransport transport;
  CutterLink link{transport, ctx};
  test::ManualClock clock;

  std::vector<std::string> Written() const {
    std::vector<std::string> texts = transport.Texts();
    for (std::string& text : texts) text = Readable(text);
    return texts;
  }
};

// A command of several texts goes over one open; an unknown number sends nothing, a refused one
// nothing either and leaves the head's record alone.
TEST_F(CutterCommandTest, SeveralTextsGoOverOneOpenUnknownAndRefusedNumbersSendNothing) {
  ctx.creasingInstalled = 1;
  ctx.creasingVariant = 1;
  EXPECT_EQ(CutterCommand(130, ctx, in, link), 0);  // three writes with the creasing tool
  ASSERT_EQ(transport.opens.size(), 1U);
  EXPECT_EQ(transport.writes.size(), 3U);
  EXPECT_TRUE(transport.OpenHandles().empty());
  for (int number : {0, 3, 12, 22, 117, 152, -1, 100000}) {
    EXPECT_EQ(CutterCommand(number, ctx, in, link), 0) << number;
  }
  ctx.headCross = INT_MIN;
  EXPECT_EQ(CutterCommand(140, ctx, in, link), kCommandTextTooLong);
  EXPECT_EQ(ctx.headCross, INT_MIN);
  EXPECT_EQ(transport.opens.size(), 1U);
}

TEST_F(CutterCommandTest, LinkErrorsAreReturned) {
  transport.writeError = kCutterIoError;
  EXPECT_EQ(CutterCommand(99, ctx, in, link), kCutterIoError);
  ctx.creasingInstalled = 1;
  EXPECT_EQ(CutterCommand(130, ctx, in, link), kCutterIoError);
  transport.openError = kCutterFileNotFound;
  EXPECT_EQ(CutterCommand(99, ctx, in, link), kCutterFileNotFound);
  EXPECT_EQ(CutterCommand(130, ctx, in, link), kCutterFileNotFound);
  EXPECT_TRUE(transport.OpenHandles().empty());
  EXPECT_EQ(transport.misuse, 0);
}

TEST_F(CutterCommandTest, InitCutterSendsItsEightCommandsWithTheirWaits) {
  InitCutter(ctx, in, link, clock);
  std::vector<std::string> expected;
  for (int number : {25, 11, 4, 5, 6, 7, 8, 9}) expected.push_back(Golden(number));
  EXPECT_EQ(Written(), expected);
  EXPECT_EQ(transport.opens.size(), 8U);
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100, 100, 100, 100, 100, 100, 100, 100, 500}));
  EXPECT_EQ(ctx.dashCutValue, 200);
  EXPECT_EQ(ctx.dashUpValue, 200);
  EXPECT_EQ(ctx.statusStep, 150);
}

// Both buttons park the head at 110 first; the blade change is 150, a wait, 151.
TEST_F(CutterCommandTest, CreaseAndBladeButtonsParkTheHeadThenChangeTheTool) {
  const std::string parked = "headCross=110";
  CreaseButton(ctx, in, link, clock);
  EXPECT_EQ(Written(), (std::vector<std::string>{Golden(112, parked), Golden(140, parked)}));
  ctx.headCross = 2000;
  transport.writes.clear();
  BladeButton(ctx, in, link, clock);
  EXPECT_EQ(Written(), (std::vector<std::string>{Golden(112, parked), Golden(150, parked),
                                                 Golden(151, parked)}));
  EXPECT_EQ(clock.Sleeps(), (std::vector<int>{100, 100, 100}));
}

TEST_F(CutterCommandTest, JogBackwardRefusedAtTheOrigin) {
  ctx.mediaPosition = 0;
  EXPECT_FALSE(JogPress(JogButton::kUp, ctx, in, link));
  EXPECT_TRUE(transport.writes.empty());
  ctx.mediaPosition = 12;
  EXPECT_TRUE(JogPress(JogButton::kUp, ctx, in, link));
  EXPECT_TRUE(JogPress(JogButton::kDown, ctx, in, link));
  JogRelease(ctx, in, link);
  EXPECT_EQ(Written(), (std::vector<std::string>{Golden(102), Golden(101), Golden(100)}));
}

}  // namespace
}  // namespace orvex
