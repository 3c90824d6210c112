// The run engine where a whole run on the twin does not reach: the sheet request with the creasing
// tool and out-of-range values, the mark confirmation's two-pixel rule, when a later sheet orders
// again, the finish check's edge cases, garbled and boundary status replies, the sleep hold, Cut
// Test's guards and the tool-change cycle. The sheet cycle's texts, waits and polling on the
// normal and fault paths are held by the run transcripts.
#include "run/run_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/manual_clock.h"
#include "support/memory_cutter_transport.h"
#include "support/memory_feeder_transport.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

// A cutter that answers each query with the reply the test set for it.
class AnsweringCutter : public test::MemoryCutterTransport {
 public:
  std::string widthReply = "A5AAA00AA3200";
  std::string positionReply = "1500,0";

  int Write(CutterHandle handle, const char* bytes, std::size_t length) override {
    const std::string text(bytes, length);
    if (text == "\x1b.C1:") Reply(std::string("AAAA0\x03", 6));
    if (text == "U") Reply(widthReply);
    if (text == "G") Reply(positionReply);
    return MemoryCutterTransport::Write(handle, bytes, length);
  }
  int Count(const std::string& text) const { return std::ranges::count(Texts(), text); }
};

class RecordingWindow : public RunApplication, public RunView, public RunVision {
 public:
  bool jobLoaded = true;
  bool answerYes = true;
  std::vector<std::string> messages;
  int framesRequested = 0;
  std::vector<int> cameras;
  int exitCode = -1;
  int reports = 0;

  bool JobLoaded() override { return jobLoaded; }
  bool OpenHasBeenUsed() override { return true; }
  void TakeFields(RunFields&) override {}
  void ShowFields(const RunFields&) override {}
  void ShowMessage(std::string_view text, std::string_view, MessageIcon) override {
    messages.emplace_back(text);
  }
  bool AskYesNo(std::string_view text, std::string_view) override {
    messages.emplace_back(text);
    return answerYes;
  }
  void StoreRunSettings(RunFields&) override {}
  void ReloadCameraOffsets() override {}
  void StoreMarkSize(int) override {}
  void LogFinishedRun(const RunFields&) override { ++reports; }
  void WindowSetUp() override {}
  void TimerRefresh() override {}
  void ExitProcess(int code) override { exitCode = code; }
  void SetControlText(int, std::string_view) override {}
  void EnableControl(int, bool) override {}
  void SetControlIcon(int, int) override {}
  void RequestFrame() override { ++framesRequested; }
  void AnalyseFrame() override {}
  void SwitchCamera(int camera) override { cameras.push_back(camera); }
};

class RunEngineTest : public ::testing::Test {
 protected:
  RunEngineTest() {
    cutter_.devices = {"\\\\?\\usb#vid_0b4d&pid_1130#1"};
    feeder_.devices = {test::MemoryFeederTransport::Feeder("/dev/hidraw0")};
    link_.FindCutter();
    ctx_.linkState = 1;
    ctx_.mediaWidth = 320.0;
  }

  // The feeder's reply to the next sheet request: firmware 31.
  void FeederAnswers() {
    std::vector<std::uint8_t> reply(65, 0);
    reply[1 + 22] = 31;
    feeder_.answers.push_back({TransferStatus::kDone, reply});
  }
  // The engine writes nothing else to the feeder.
  int SheetRequests() const { return static_cast<int>(feeder_.writes.size()); }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) clock_.Advance(kTickMs), engine_.OnTimer();
  }
  // A status reply in the buffer as if it had just arrived.
  void Fresh(char state) {
    ctx_.cutterStatus.fill(0);
    ctx_.cutterStatus[0] = 'A';
    ctx_.cutterStatus[4] = static_cast<std::uint8_t>(state);
    ctx_.cutterStatus[5] = 0x03;
  }

  test::TempDir dir_;
  RunContext ctx_;
  AnsweringCutter cutter_;
  test::MemoryFeederTransport feeder_;
  test::ManualClock clock_;
  CutterLink link_{cutter_, ctx_};
  FeederLink feederLink_{feeder_};
  RecordingWindow window_;
  RunEngine engine_{ctx_, WorkDir(dir_.Path()),
                    RunPorts{link_, feederLink_, clock_, window_, window_, window_}};
};

// Plain and dashed requests go out in every transcript; the creasing tool and values from a file
// beyond the window's ranges do not.
TEST(SheetRequestTest, CreasingToolWithTheDashedLineAndValuesHeldToAByte) {
  RunFields fields;
  RunContext ctx;
  const auto bytes = [&](std::initializer_list<int> at) {
    const SheetRequest r = BuildSheetRequest(fields, ctx);
    std::vector<int> out;
    for (int i : at) out.push_back(r.bytes[i]);
    return out;
  };
  ctx.creasingInstalled = 1;  // the tool alone changes nothing
  EXPECT_EQ(bytes({4, 6, 17, 60}), (std::vector<int>{'M', 'A', 0, 118}));
  fields.commands.dashedLineOn = true;
  EXPECT_EQ(bytes({4, 6, 17, 60}), (std::vector<int>{'P', 'S', '#', 108}));
  const int cases[][4] = {
      {-100, -100, 0, 0}, {100, 155, 200, 235}, {400, 300, 255, 255}, {-1000, -1000, 0, 0}};
  for (const auto& [uplift, insertion, byte62, byte63] : cases) {
    fields.uplift = uplift;
    fields.insertion = insertion;
    EXPECT_EQ(bytes({62, 63}), (std::vector<int>{byte62, byte63})) << uplift << ", " << insertion;
  }
}

// A mark is confirmed by two analyses less than two pixels apart in both coordinates; when they
// are further apart the newer one is held and compared with the next frame.
TEST_F(RunEngineTest, TwoAnalysesLessThanTwoPixelsApartConfirmTheNewer) {
  const auto analysis = [&](float col, float row) {
    ctx_.markCol = col, ctx_.markRow = row, ctx_.markResult = 1;
    Ticks(1);
  };
  const std::tuple<float, float, bool> seconds[] = {{301.5F, 242.9F, true},
                                                    {302.0F, 241.0F, false},
                                                    {300.0F, 239.0F, false},
                                                    {298.1F, 239.1F, true}};
  for (const auto& [col, row, confirms] : seconds) {
    SCOPED_TRACE(testing::Message() << col << ", " << row);
    ctx_ = RunContext{};
    ctx_.waitingForMark = 1;
    ctx_.runPhase = 0;  // the cut step does nothing: only the confirmation is under test
    ctx_.settleTicks = 2;
    window_.framesRequested = 0;
    Ticks(2);  // the sheet settles
    EXPECT_EQ(window_.framesRequested, 0);
    Ticks(3);  // one frame asked for, then nothing while it is pending
    EXPECT_EQ(window_.framesRequested, 1);
    analysis(300.0F, 241.0F);
    analysis(col, row);
    EXPECT_EQ(ctx_.waitingForMark, confirms ? 0 : 1);
    if (confirms) {
      EXPECT_EQ(std::make_pair(ctx_.markAcceptedCol, ctx_.markAcceptedRow),
                std::make_pair(col, row));
      continue;
    }
    Ticks(1);  // the newer is held against a fresh frame
    EXPECT_EQ(window_.framesRequested, 3);
    analysis(col + 0.5F, row - 1.0F);
    EXPECT_EQ(ctx_.waitingForMark, 0);
  }
}

TEST_F(RunEngineTest, LaterSheetsOrderAgainOnlyWhenASettingOfTheOrderChanged) {
  dir_.Write("sort.prn", "M 10.00 10.00\nL 50.00 10.00\nL 50.00 50.00\nL 10.00 10.00\nA");
  ctx_.importFirstMark = 2.0F;
  ctx_.importSecondMark = 100.0F;
  ctx_.jobWidth = 100.0F;
  ctx_.jobHeight = 60.0F;
  // Sheets counted, passes, reverse order, special mode; whether the sheet orders. The first five
  // sheets always order.
  const int steps[][5] = {{2, 1, 0, 0, 1}, {4, 1, 0, 0, 1}, {5, 1, 0, 0, 0}, {5, 2, 0, 0, 1},
                          {5, 2, 0, 0, 0}, {5, 2, 1, 0, 1}, {5, 2, 1, 1, 1}};
  for (const auto& [sheets, passes, reverse, special, orders] : steps) {
    std::filesystem::remove(dir_.File("sortx.prn"));
    engine_.Fields().sheet.sheetCount = sheets;
    std::tie(ctx_.passes, ctx_.reverseOrder, ctx_.specialMode) = std::tie(passes, reverse, special);
    FeederAnswers();
    engine_.StartSheet();
    EXPECT_EQ(dir_.Exists("sortx.prn"), orders != 0) << sheets << passes << reverse << special;
  }
  EXPECT_TRUE(window_.messages.empty()) << window_.messages.front();
}

class FinishCheckTest : public RunEngineTest {
 protected:
  FinishCheckTest() {
    ctx_.detectionHold = 10;
    ctx_.totalCutLength = 500.0;
    ctx_.cutStartTime = clock_.CalendarSeconds();
    ctx_.statusChar = '4';
    FeederAnswers();
  }
  void Check(char state) { Fresh(state), engine_.SheetFinishedCheck(); }
};

TEST_F(FinishCheckTest, ThreeStaleRepliesInARowLeadBackToDiscoveryAndFinishNothing) {
  Fresh('0');
  ctx_.cutterStatus[0] = 0x09;  // the ready reply is an old one
  engine_.SheetFinishedCheck();
  engine_.SheetFinishedCheck();
  EXPECT_NE(ctx_.statusChar, 0);
  engine_.SheetFinishedCheck();
  EXPECT_EQ(ctx_.statusChar, 0);
  EXPECT_EQ(ctx_.statusStep, 56);
  EXPECT_EQ(SheetRequests(), 0);
}

// Ready replies do not undo the busy ones seen before them: the fourth busy reply lets the next
// ready one finish the sheet, the third does not.
TEST_F(FinishCheckTest, ALongJobNeedsTheCutterSeenBusyFourTimesFirst) {
  ctx_.totalCutLength = 1200.0;
  Check('0');
  for (int i = 0; i < 3; ++i) Check('1');
  Check('0');
  EXPECT_EQ(SheetRequests(), 0);
  Check('1');
  Check('0');
  EXPECT_EQ(SheetRequests(), 1);
  EXPECT_EQ(ctx_.notReadyCount, 0);
}

// The first two sheets' times give the average when they lie less than a second apart.
TEST_F(FinishCheckTest, FirstTwoSheetsGiveTheAverageCutTime) {
  const auto sheet = [&](int count, int ms) {
    engine_.Fields().sheet.sheetCount = count;
    ctx_.detectionHold = 10;
    ctx_.cutStartTick = clock_.TickMs();
    clock_.Advance(ms);
    FeederAnswers();
    Check('0');
  };
  sheet(1, 30'000);
  EXPECT_EQ(ctx_.firstCutMs, 30'000U);
  EXPECT_NEAR(ctx_.lastCutDuration, 30.0, 1.0);
  sheet(2, 30'999);
  EXPECT_EQ(ctx_.avgCutMs, 30'499U);
  ctx_.avgCutMs = 0;
  sheet(2, 31'000);
  EXPECT_EQ(ctx_.secondCutMs, 31'000U);
  EXPECT_EQ(ctx_.avgCutMs, 0U);
}

TEST_F(FinishCheckTest, ALongRunTrustsTheAverageWhenTheCutterStillSaysBusy) {
  engine_.Fields().sheet.sheetCount = 31;
  ctx_.avgCutMs = 40'000;
  clock_.Advance(36'400);  // 3.6 s before the average: too early
  Check('1');
  EXPECT_EQ(SheetRequests(), 0);
  clock_.Advance(600);  // 3 s before it
  Check('1');
  EXPECT_EQ(SheetRequests(), 1);
}

// Widths past 450 mm (and below 600) switch to the second camera, back below 450 from past it
// the first.
// Garbled widths are not taken, and the cutter's state is asked again.
TEST_F(RunEngineTest, WidthRepliesChooseTheCameraAndShowInInches) {
  const auto width = [&](const std::string& tenths) {
    cutter_.widthReply = "A5AAA00AA" + tenths + "\x03";
    ctx_.statusChar = '0';
    ctx_.statusStep = 46;
    Ticks(6);  // 45 the query, 40 the reply
    return ctx_.mediaWidth;
  };
  const std::tuple<const char*, double, int> replies[] = {
      {"3000", 300.0, 1},  {"5000", 500.0, 1}, {"3000", 300.0, 1}, {"4500", 450.0, 1},
      {"3000", 300.0, 1},  {"6200", 620.0, 1}, {"inf", 620.0, 0},  {"nan", 620.0, 0},
      {"1e300", 620.0, 0}, {"-3200", 620.0, 0}};
  for (const auto& [tenths, mm, statusChar] : replies) {
    EXPECT_DOUBLE_EQ(width(tenths), mm) << tenths;
    EXPECT_EQ(ctx_.statusChar, statusChar) << tenths;
  }
  EXPECT_EQ(window_.cameras, (std::vector<int>{1, 0}));
  ctx_.unitFlag = 0;
  width("3200");
  EXPECT_DOUBLE_EQ(engine_.Fields().cutterWidthShown, 12.59);
}

// Positions within 2 mm of the last, the parked head's 5000 mm and garbled replies are not taken.
TEST_F(RunEngineTest, PositionRepliesOfTheParkedHeadOrSmallChangesAreNotTaken) {
  const std::pair<const char*, double> replies[] = {
      {"1000,0", 100.0}, {"1015,0", 100.0}, {"1021,0", 102.1}, {"50000,0", 102.1},
      {"1300,0", 130.0}, {"inf", 130.0},    {"9e99", 130.0}};
  for (const auto& [reply, position] : replies) {
    cutter_.positionReply = reply;
    ctx_.statusChar = '0';
    ctx_.statusStep = 26;
    Ticks(6);
    EXPECT_DOUBLE_EQ(ctx_.mediaPosition, position) << reply;
  }
}

TEST_F(RunEngineTest, OnlyARunThatCountedASheetWritesItsReportLine) {
  FeederAnswers();
  engine_.Start();
  engine_.Start();  // Stop
  EXPECT_EQ(window_.reports, 0);
  FeederAnswers();
  engine_.Start();
  engine_.Fields().sheet.sheetCount = 1;
  engine_.Start();
  EXPECT_EQ(window_.reports, 1);
}

// Each way a run ends lets the PC sleep again, once; a Start refused or a Cut Test holds nothing.
TEST_F(RunEngineTest, SleepIsHeldFromStartUntilEachKindOfEnd) {
  struct CountingSleepInhibitor : SleepInhibitor {
    int holds = 0, releases = 0;
    void Hold() override { ++holds; }
    void Release() override { ++releases; }
  } sleep;
  engine_.SetSleepInhibitor(&sleep);
  window_.jobLoaded = false;
  engine_.Start();
  window_.jobLoaded = true;
  FeederAnswers();
  engine_.CutTest();
  EXPECT_EQ(sleep.holds, 0);
  const std::pair<const char*, std::function<void()>> ends[] = {
      {"Stop", [&] { engine_.Start(); }},
      {"the copies done or the mark search given up", [&] { engine_.FinishJob(); }},
      {"feeder out of sheets",
       [&] { engine_.Fields().sheet.sheetCount = 1, engine_.StartSheet(); }},  // no answer
      {"window closed", [&] { engine_.ReleaseSleep(); }},
      {"closed during a sheet's registration", [&] {
         EXPECT_FALSE(engine_.RequestClose());
         EXPECT_EQ(window_.exitCode, -1);
         Ticks(1);  // the process ends at the next tick
         EXPECT_EQ(window_.exitCode, 0);
       }}};
  for (const auto& [name, end] : ends) {
    SCOPED_TRACE(name);
    const int releases = sleep.releases;
    FeederAnswers();
    engine_.Start();
    ASSERT_TRUE(engine_.Running());
    EXPECT_EQ(sleep.holds, releases + 1);
    end();
    EXPECT_EQ(sleep.releases, releases + 1);
    engine_.FinishJob();  // a second end lets nothing go twice
    engine_.ReleaseSleep();
    EXPECT_EQ(sleep.releases, releases + 1);
  }
}

TEST_F(RunEngineTest, CutTestRunsOnceInFiveSecondsAndHonoursItsQuestions) {
  window_.jobLoaded = false;
  engine_.CutTest();
  EXPECT_EQ(window_.messages, std::vector<std::string>{std::string(kNoGraphicLoadedMessage)});
  window_.jobLoaded = true;
  FeederAnswers();
  engine_.Fields().commands.cutForce = 15;  // the least force that asks
  window_.answerYes = false;
  engine_.CutTest();
  EXPECT_EQ(window_.messages.back(), std::string(kHighForceQuestion));
  clock_.Advance(2000);
  window_.answerYes = true;
  engine_.CutTest();  // within five seconds of the last: ignored
  EXPECT_EQ(window_.messages.size(), 2U);
  clock_.Advance(5000);
  ctx_.mediaWidth = 0.0;
  engine_.CutTest();
  EXPECT_EQ(window_.messages.back(), std::string(kZeroWidthMessage));
  EXPECT_EQ(SheetRequests(), 0);
  clock_.Advance(5000);
  ctx_.mediaWidth = 320.0;
  engine_.CutTest();
  EXPECT_EQ(SheetRequests(), 1);
  EXPECT_FALSE(engine_.Running());
}

TEST_F(RunEngineTest, ToolCycleRunsElevenCyclesOfThirtyEightTicks) {
  ctx_.statusStep = 100000;  // keep the polling quiet
  ctx_.statusChar = '0';
  engine_.Cycle();
  EXPECT_EQ(ctx_.headCross, 110);
  const std::string creasing = FormatCutterCommand(kSelectCreasingTool, ctx_, {}).writes.front();
  // The first tick starts the count; each cycle's creasing tool goes out at its 15th tick.
  Ticks(1 + 15 + 10 * 38 - 1);
  EXPECT_EQ(cutter_.Count(creasing), 10);
  Ticks(1);
  EXPECT_EQ(cutter_.Count(creasing), 11);
  Ticks(60);
  EXPECT_EQ(cutter_.Count(creasing), 11);
  EXPECT_EQ(ctx_.cycleState, 0);
}

}  // namespace
}  // namespace orvex
