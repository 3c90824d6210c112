// The run engine against in-memory devices and a recording window: the sheet request, mark
// confirmation, the deferral of ticks and frame notices past blocking sequences, the finish
// check, the status polling's rhythm and replies, the status area and the run buttons' guards.
#include "run/run_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "support/manual_clock.h"
#include "support/memory_cutter_transport.h"
#include "support/memory_feeder_transport.h"
#include "support/temp_dir.h"

namespace orvex {
namespace {

const std::string kStatusQuery = "\x1b.C1:";
const std::string kWidthQuery = "U";
const std::string kPositionQuery = "G";
const std::string kConnect = "TC24,0\x03";
const std::string kFeedStopText = "\x1b.C21;0:";

// A cutter that answers each query with the reply the test set for it.
class AnsweringCutter : public test::MemoryCutterTransport {
 public:
  std::string statusReply = std::string("AAAA0\x03", 6);
  std::string widthReply = "A5AAA00AA3200";
  std::string positionReply = "1500,0";
  bool answers = true;
  std::vector<std::string> queries;

  int Write(CutterHandle handle, const char* bytes, std::size_t length) override {
    const int result = MemoryCutterTransport::Write(handle, bytes, length);
    const std::string text(bytes, length);
    if (text == kStatusQuery || text == kWidthQuery || text == kPositionQuery) {
      queries.push_back(text);
      if (answers) {
        Reply(text == kStatusQuery  ? statusReply
              : text == kWidthQuery ? widthReply
                                    : positionReply);
      }
    }
    return result;
  }
  int Count(const std::string& text) const {
    return static_cast<int>(std::count_if(writes.begin(), writes.end(),
                                          [&](const WriteRecord& w) { return w.bytes == text; }));
  }
};

// A clock whose waits can let the outside world in, as the GUI's nested event loop does.
class HookClock : public test::ManualClock {
 public:
  std::function<void()> duringSleep;
  void Sleep(int ms) override {
    ManualClock::Sleep(ms);
    if (duringSleep) duringSleep();
  }
};

class RecordingWindow : public RunApplication, public RunView, public RunVision {
 public:
  bool jobLoaded = true;
  bool openUsed = true;
  bool answerYes = true;
  std::vector<std::string> messages;
  std::vector<std::string> texts;  // "id:text"
  std::vector<std::pair<int, bool>> enables;
  int framesRequested = 0;
  int analyses = 0;
  std::vector<int> cameras;
  int reports = 0;
  int exitCode = -1;
  std::function<void()> onAnalyse;
  std::function<void()> onMessage;  // runs while the box is open

  bool JobLoaded() override { return jobLoaded; }
  bool OpenHasBeenUsed() override { return openUsed; }
  void TakeFields(RunFields& /*fields*/) override {}
  void ShowFields(const RunFields& /*fields*/) override {}
  void ShowMessage(std::string_view text, std::string_view, MessageIcon) override {
    messages.emplace_back(text);
    if (onMessage) onMessage();
  }
  bool AskYesNo(std::string_view text, std::string_view) override {
    messages.emplace_back(text);
    return answerYes;
  }
  void StoreRunSettings(RunFields& /*fields*/) override {}
  void ReloadCameraOffsets() override {}
  void StoreMarkSize(int /*pixels*/) override {}
  void LogFinishedRun(const RunFields& /*fields*/) override { ++reports; }
  void WindowSetUp() override {}
  void TimerRefresh() override {}
  void ExitProcess(int code) override { exitCode = code; }
  void SetControlText(int id, std::string_view text) override {
    texts.push_back(std::to_string(id) + ":" + std::string(text));
  }
  void EnableControl(int id, bool enabled) override { enables.emplace_back(id, enabled); }
  void SetControlIcon(int, int) override {}
  void RequestFrame() override { ++framesRequested; }
  void AnalyseFrame() override {
    ++analyses;
    if (onAnalyse) onAnalyse();
  }
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

  // The feeder's reply to the next sheet request.
  void FeederAnswers() {
    test::MemoryFeederTransport::Answer answer;
    answer.bytes.assign(65, 0);
    answer.bytes[1 + 22] = 31;
    feeder_.answers.push_back(answer);
  }
  // Sheet requests sent (report id 0 first on the wire).
  int SheetRequests() const {
    return static_cast<int>(
        std::count_if(feeder_.writes.begin(), feeder_.writes.end(), [](const auto& w) {
          return w.bytes.size() > 4 &&
                 std::string(w.bytes.begin() + 1, w.bytes.begin() + 5) == "FFAM";
        }));
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) {
      clock_.Advance(kTickMs);
      engine_.OnTimer();
    }
  }
  // A status reply in the buffer as if it had just arrived.
  void Fresh(char state) {
    ctx_.cutterStatus.fill(0);
    ctx_.cutterStatus[0] = 'A';
    ctx_.cutterStatus[4] = static_cast<std::uint8_t>(state);
    ctx_.cutterStatus[5] = 0x03;
  }
  bool HasText(int id, const std::string& text) const {
    return std::find(window_.texts.begin(), window_.texts.end(), std::to_string(id) + ":" + text) !=
           window_.texts.end();
  }

  test::TempDir dir_;
  RunContext ctx_;
  AnsweringCutter cutter_;
  test::MemoryFeederTransport feeder_;
  HookClock clock_;
  CutterLink link_{cutter_, ctx_};
  FeederLink feederLink_{feeder_};
  RecordingWindow window_;
  RunEngine engine_{ctx_, WorkDir(dir_.Path()),
                    RunPorts{link_, feederLink_, clock_, window_, window_, window_}};
};

// --- Sheet request ------------------------------------------------------------------------------

TEST(SheetRequestTest, LayoutFollowsTheDashedLineAndTheCreasingTool) {
  RunFields fields;
  RunContext ctx;
  SheetRequest r = BuildSheetRequest(fields, ctx);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.bytes), 11), "FFAMMBADDH0");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(r.bytes) + 18, 42),
            "820222426283032343638404244464850525446586");
  EXPECT_EQ(r.bytes[11], 0);
  EXPECT_EQ(r.bytes[15], 0);
  EXPECT_EQ(r.bytes[17], 0);
  EXPECT_EQ(r.bytes[60], 118);
  EXPECT_EQ(r.bytes[61], 100);
  EXPECT_EQ(r.bytes[62], 100);
  EXPECT_EQ(r.bytes[63], 80);
  ctx.creasingInstalled = 1;
  EXPECT_EQ(BuildSheetRequest(fields, ctx).bytes[4], 'M');  // the tool alone changes nothing

  fields.commands.dashedLineOn = true;
  r = BuildSheetRequest(fields, ctx);
  EXPECT_EQ(r.bytes[4], 'P');
  EXPECT_EQ(r.bytes[6], 'S');
  EXPECT_EQ(r.bytes[60], 108);
  ctx.creasingInstalled = 0;
  r = BuildSheetRequest(fields, ctx);
  EXPECT_EQ(r.bytes[4], 'M');
  EXPECT_EQ(r.bytes[6], 'S');
}

TEST(SheetRequestTest, UpliftAndInsertionStayInsideAByte) {
  RunFields fields;
  RunContext ctx;
  const auto bytes = [&](int uplift, int insertion) {
    fields.uplift = uplift;
    fields.insertion = insertion;
    const SheetRequest r = BuildSheetRequest(fields, ctx);
    return std::pair<int, int>(r.bytes[62], r.bytes[63]);
  };
  EXPECT_EQ(bytes(-100, -100), std::make_pair(0, 0));
  EXPECT_EQ(bytes(100, 155), std::make_pair(200, 235));
  // Values from a file beyond the window's ranges must not wrap around.
  EXPECT_EQ(bytes(400, 300), std::make_pair(255, 255));
  EXPECT_EQ(bytes(-1000, -1000), std::make_pair(0, 0));
}

// --- Mark confirmation --------------------------------------------------------------------------

class MarkConfirmationTest : public RunEngineTest {
 protected:
  MarkConfirmationTest() {
    ctx_.waitingForMark = 1;
    ctx_.settleTicks = 0;
    ctx_.runPhase = 0;  // the cut step does nothing: only the confirmation is under test
    ctx_.statusChar = '0';
  }
  void Analysis(float col, float row) {
    ctx_.markCol = col;
    ctx_.markRow = row;
    ctx_.markResult = 1;
  }
};

TEST_F(MarkConfirmationTest, TwoAnalysesWithinTwoPixelsConfirmTheNewerOne) {
  Ticks(1);
  EXPECT_EQ(window_.framesRequested, 1);
  EXPECT_EQ(ctx_.markResult, 0);
  Ticks(3);  // a frame is pending: nothing happens
  EXPECT_EQ(window_.framesRequested, 1);
  Analysis(300.0F, 241.0F);
  Ticks(1);
  EXPECT_EQ(window_.framesRequested, 2);
  EXPECT_EQ(ctx_.waitingForMark, 1);
  Analysis(301.5F, 242.9F);
  Ticks(1);
  EXPECT_EQ(ctx_.waitingForMark, 0);
  EXPECT_EQ(ctx_.markResult, -1);
  EXPECT_FLOAT_EQ(ctx_.markAcceptedCol, 301.5F);
  EXPECT_FLOAT_EQ(ctx_.markAcceptedRow, 242.9F);
}

TEST_F(MarkConfirmationTest, TwoPixelsApartIsNotAgreementAndTheNewerIsHeldNext) {
  Ticks(1);
  Analysis(300.0F, 241.0F);
  Ticks(1);
  Analysis(302.0F, 241.0F);
  Ticks(1);
  EXPECT_EQ(ctx_.waitingForMark, 1);
  EXPECT_FALSE(ctx_.previousHeld);
  Ticks(1);  // the newer detection is held and compared with a fresh frame
  EXPECT_TRUE(ctx_.previousHeld);
  EXPECT_FLOAT_EQ(ctx_.markPreviousCol, 302.0F);
  EXPECT_EQ(window_.framesRequested, 3);
  Analysis(302.5F, 240.0F);
  Ticks(1);
  EXPECT_EQ(ctx_.waitingForMark, 0);
}

TEST_F(MarkConfirmationTest, NothingIsEvaluatedWhileTheSheetSettles) {
  ctx_.settleTicks = 3;
  Ticks(3);
  EXPECT_EQ(window_.framesRequested, 0);
  Ticks(1);
  EXPECT_EQ(window_.framesRequested, 1);
  EXPECT_EQ(ctx_.settleTicks, -1);
}

// --- Blocking sequences -------------------------------------------------------------------------

TEST_F(RunEngineTest, NoTickOrFrameNoticeRunsInsideTheSheetCycle) {
  FeederAnswers();
  std::size_t writesAtAnalysis = 0;
  window_.onAnalyse = [&] { writesAtAnalysis = cutter_.writes.size() + feeder_.writes.size(); };
  // Every wait of the cycle lets a tick and a frame notice arrive.
  clock_.duringSleep = [&] {
    engine_.OnTimer();
    engine_.OnFrameReady();
  };
  engine_.StartSheet();
  clock_.duringSleep = nullptr;

  ASSERT_GT(clock_.Sleeps().size(), 5U);
  EXPECT_EQ(engine_.DeferredTicks(), static_cast<int>(clock_.Sleeps().size()));
  // Every notice was handled, after the cycle's last byte.
  EXPECT_EQ(window_.analyses, static_cast<int>(clock_.Sleeps().size()));
  EXPECT_EQ(writesAtAnalysis, cutter_.writes.size() + feeder_.writes.size());
  // The ticks were coalesced into one, run after the cycle had set the sheet to settle.
  EXPECT_EQ(ctx_.settleTicks, 9);
  EXPECT_EQ(ctx_.runPhase, 1);
  EXPECT_FALSE(engine_.Busy());
}

TEST_F(RunEngineTest, ATickDuringAMessageBoxOfTheSequenceWaitsForItsEnd) {
  // No feeder: the cycle shows its message; a tick arriving meanwhile must not poll the cutter.
  feeder_.devices.clear();
  ctx_.statusChar = 0;
  ctx_.linkState = 0;
  const int before = cutter_.enumerations;
  int enumerationsInBox = -1;
  window_.onMessage = [&] {
    engine_.OnTimer();
    enumerationsInBox = cutter_.enumerations - before;
  };
  engine_.StartSheet();
  EXPECT_EQ(window_.messages.back(), std::string(kFeederOffMessage));
  EXPECT_EQ(enumerationsInBox, 0);
  // The coalesced tick ran afterwards and looked for the cutter once.
  EXPECT_EQ(cutter_.enumerations - before, 1);
  EXPECT_EQ(engine_.DeferredTicks(), static_cast<int>(window_.messages.size()));
}

// --- Sheet cycle --------------------------------------------------------------------------------

TEST_F(RunEngineTest, SheetCycleFeedsAndWaitsForTheFirstMark) {
  FeederAnswers();
  ctx_.searchAttempts = 40;
  ctx_.previousHeld = true;
  ctx_.markResult = 1;
  engine_.StartSheet();
  EXPECT_EQ(SheetRequests(), 1);
  // Parked at 120 mm, then command 111's cross step of as much again.
  EXPECT_EQ(ctx_.headCross, 2400);
  EXPECT_EQ(ctx_.runPhase, 1);
  EXPECT_EQ(ctx_.waitingForMark, 1);
  EXPECT_EQ(ctx_.settleTicks, 10);
  EXPECT_EQ(ctx_.feederFirmware, 31);
  // Nothing of the previous sheet's search carries over.
  EXPECT_EQ(ctx_.searchAttempts, 0);
  EXPECT_EQ(ctx_.markResult, -1);
  EXPECT_FALSE(ctx_.previousHeld);
  EXPECT_DOUBLE_EQ(ctx_.markScale, 4.0 / 51.0);  // model 1
  // The fixed waits of the cycle on a model-1 cutter without a creasing tool.
  EXPECT_EQ(clock_.Sleeps(), (std::vector<int>{2000, 500, 3000, 500, 200, 100, 100}));
}

TEST_F(RunEngineTest, LaterSheetsOrderAgainOnlyWhenASettingOfTheOrderChanged) {
  {
    std::ofstream sort(dir_.Path() / "sort.prn", std::ios::binary);
    sort << "M 10.00 10.00\nL 50.00 10.00\nL 50.00 50.00\nL 10.00 10.00\n"
            "M 60.00 10.00\nL 90.00 10.00\nL 90.00 40.00\nL 60.00 10.00\nA";
  }
  ctx_.importFirstMark = 2.0F;
  ctx_.importSecondMark = 100.0F;
  ctx_.jobWidth = 100.0F;
  ctx_.jobHeight = 60.0F;
  const auto sorted = dir_.Path() / "sortx.prn";
  const auto orderedBySheet = [&] {
    std::filesystem::remove(sorted);
    FeederAnswers();
    engine_.StartSheet();
    return std::filesystem::exists(sorted);
  };
  engine_.Fields().sheet.sheetCount = 2;
  EXPECT_TRUE(orderedBySheet());  // the first five sheets always order
  engine_.Fields().sheet.sheetCount = 5;
  EXPECT_FALSE(orderedBySheet());
  ctx_.passes = 2;
  EXPECT_TRUE(orderedBySheet());
  EXPECT_FALSE(orderedBySheet());
  ctx_.reverseOrder = 1;
  EXPECT_TRUE(orderedBySheet());
  ctx_.specialMode = 1;
  EXPECT_TRUE(orderedBySheet());
  EXPECT_TRUE(window_.messages.empty()) << window_.messages.front();
}

// --- Finish check -------------------------------------------------------------------------------

class FinishCheckTest : public RunEngineTest {
 protected:
  FinishCheckTest() {
    ctx_.detectionHold = 10;
    ctx_.totalCutLength = 500.0;
    ctx_.cutStartTick = 0;
    ctx_.cutStartTime = clock_.CalendarSeconds();
    ctx_.statusChar = '4';
  }
};

TEST_F(FinishCheckTest, StaleRepliesNeverFinishASheetAndLeadBackToDiscovery) {
  Fresh('0');
  ctx_.cutterStatus[0] = 0x09;  // the ready reply is an old one
  engine_.SheetFinishedCheck();
  engine_.SheetFinishedCheck();
  EXPECT_EQ(SheetRequests(), 0);
  EXPECT_EQ(ctx_.statusStep, 56);
  EXPECT_NE(ctx_.statusChar, 0);
  engine_.SheetFinishedCheck();
  EXPECT_EQ(ctx_.statusChar, 0);
  EXPECT_TRUE(feeder_.openedPaths.empty());
}

TEST_F(FinishCheckTest, LongJobsNeedTheCutterSeenBusyFirst) {
  ctx_.totalCutLength = 1200.0;
  FeederAnswers();
  Fresh('0');
  engine_.SheetFinishedCheck();
  EXPECT_TRUE(feeder_.openedPaths.empty());
  for (int i = 0; i < 4; ++i) {
    Fresh('1');
    engine_.SheetFinishedCheck();
  }
  EXPECT_EQ(ctx_.notReadyCount, 4);
  Fresh('0');
  engine_.SheetFinishedCheck();
  EXPECT_EQ(SheetRequests(), 1);
  EXPECT_EQ(ctx_.notReadyCount, 0);
}

TEST_F(FinishCheckTest, FirstTwoSheetsGiveTheAverageCutTime) {
  engine_.Fields().sheet.sheetCount = 1;
  clock_.Advance(30'000);
  Fresh('0');
  engine_.SheetFinishedCheck();
  EXPECT_EQ(ctx_.firstCutMs, 30'000U);
  EXPECT_NEAR(ctx_.lastCutDuration, 30.0, 1.0);

  engine_.Fields().sheet.sheetCount = 2;
  ctx_.detectionHold = 10;
  ctx_.cutStartTick = clock_.TickMs();
  clock_.Advance(30'500);
  Fresh('0');
  engine_.SheetFinishedCheck();
  EXPECT_EQ(ctx_.secondCutMs, 30'500U);
  EXPECT_EQ(ctx_.avgCutMs, 30'250U);

  // Two times a second or more apart give no average.
  ctx_.avgCutMs = 0;
  ctx_.detectionHold = 10;
  ctx_.cutStartTick = clock_.TickMs();
  clock_.Advance(31'000);
  Fresh('0');
  engine_.SheetFinishedCheck();
  EXPECT_EQ(ctx_.avgCutMs, 0U);
}

TEST_F(FinishCheckTest, ALongRunTrustsTheAverageWhenTheCutterStillSaysBusy) {
  engine_.Fields().sheet.sheetCount = 31;
  ctx_.avgCutMs = 40'000;
  FeederAnswers();
  clock_.Advance(30'000);  // too early
  Fresh('1');
  engine_.SheetFinishedCheck();
  EXPECT_TRUE(feeder_.openedPaths.empty());
  clock_.Advance(8'000);  // within 3.5 s before the average
  Fresh('1');
  engine_.SheetFinishedCheck();
  EXPECT_EQ(SheetRequests(), 1);
}

// --- Status polling -----------------------------------------------------------------------------

TEST_F(RunEngineTest, ReadyCutterIsAskedForStateWidthAndPositionThenEvery36Ticks) {
  ctx_.statusChar = '0';
  ctx_.statusStep = 60;
  Ticks(60);
  EXPECT_EQ(cutter_.queries,
            (std::vector<std::string>{kStatusQuery, kWidthQuery, kStatusQuery, kPositionQuery}));
  EXPECT_DOUBLE_EQ(ctx_.mediaWidth, 320.0);
  EXPECT_DOUBLE_EQ(ctx_.mediaPosition, 150.0);
  EXPECT_EQ(ctx_.statusStep, 36);
  cutter_.queries.clear();
  Ticks(36);
  EXPECT_EQ(cutter_.queries, (std::vector<std::string>{kStatusQuery, kPositionQuery}));
  EXPECT_EQ(ctx_.displayState, 2);
  EXPECT_TRUE(HasText(run_control::kLastJobStatus, std::string(kCutterReadyText)));
}

TEST_F(RunEngineTest, WidthRepliesChooseTheCameraAndShowInInches) {
  ctx_.statusChar = '0';
  const auto width = [&](const std::string& tenths) {
    cutter_.widthReply = "A5AAA00AA" + tenths;
    ctx_.statusChar = '0';
    ctx_.statusStep = 46;
    Ticks(1);  // 45: the query
    Ticks(5);  // 40: the reply
    return ctx_.mediaWidth;
  };
  EXPECT_DOUBLE_EQ(width("3000"), 300.0);
  EXPECT_DOUBLE_EQ(width("5000"), 500.0);
  EXPECT_DOUBLE_EQ(width("3000"), 300.0);
  EXPECT_DOUBLE_EQ(width("4500"), 450.0);
  EXPECT_DOUBLE_EQ(width("3000"), 300.0);
  EXPECT_DOUBLE_EQ(width("6200"), 620.0);
  EXPECT_EQ(window_.cameras, (std::vector<int>{1, 0}));
  ctx_.unitFlag = 0;
  width("3200");
  EXPECT_DOUBLE_EQ(engine_.Fields().cutterWidthShown, 12.59);
  // Garbled widths are not taken, and the cutter's state is asked again.
  for (const char* garbled : {"inf", "nan", "1e300", "-3200"}) {
    EXPECT_DOUBLE_EQ(width(garbled), 320.0) << garbled;
    EXPECT_EQ(ctx_.statusChar, 0) << garbled;
  }
}

TEST_F(RunEngineTest, PositionRepliesOfTheParkedHeadOrSmallChangesAreNotTaken) {
  ctx_.statusChar = '0';
  const auto position = [&](const std::string& reply) {
    cutter_.positionReply = reply;
    ctx_.statusChar = '0';
    ctx_.statusStep = 26;
    Ticks(6);
    return ctx_.mediaPosition;
  };
  EXPECT_DOUBLE_EQ(position("1000,0"), 100.0);
  EXPECT_DOUBLE_EQ(position("1015,0"), 100.0);  // 1.5 mm
  EXPECT_DOUBLE_EQ(position("50000,0"), 100.0);
  EXPECT_DOUBLE_EQ(position("1300,0"), 130.0);
  EXPECT_DOUBLE_EQ(position("inf"), 130.0);
  EXPECT_DOUBLE_EQ(position("9e99"), 130.0);
}

TEST_F(RunEngineTest, UnpluggedCutterIsLookedForEveryTickAndGreetedOnceWhenBack) {
  cutter_.devices.clear();
  ctx_.statusChar = 0;
  ctx_.linkState = 1;
  const int before = cutter_.enumerations;
  Ticks(10);
  EXPECT_EQ(cutter_.enumerations - before, 10);
  EXPECT_EQ(ctx_.linkState, 0);
  EXPECT_TRUE(HasText(run_control::kLastJobStatus, std::string(kCutterOffLineText)));
  EXPECT_EQ(cutter_.Count(kConnect), 0);
  cutter_.devices = {"\\\\?\\usb#vid_0b4d&pid_1135#1"};
  Ticks(1);
  EXPECT_EQ(cutter_.Count(kConnect), 1);
  EXPECT_EQ(ctx_.statusStep, 60);
  EXPECT_EQ(ctx_.cutterModel, 2);
  Ticks(30);
  EXPECT_EQ(cutter_.Count(kConnect), 1);
}

TEST_F(RunEngineTest, StatusAreaWaitsForTheFirstOpenAndShowsLoadMediaOnce) {
  window_.openUsed = false;
  ctx_.statusChar = '2';
  ctx_.displayState = 2;
  engine_.StatusDisplay();
  EXPECT_TRUE(window_.texts.empty());
  window_.openUsed = true;
  engine_.StatusDisplay();
  EXPECT_TRUE(HasText(run_control::kLastJobStatus, std::string(kLoadMediaText)));
  EXPECT_NE(std::find(window_.enables.begin(), window_.enables.end(),
                      std::make_pair(run_control::kStart, false)),
            window_.enables.end());
  const std::size_t shown = window_.texts.size();
  engine_.StatusDisplay();
  EXPECT_EQ(window_.texts.size(), shown);
}

// --- Buttons ------------------------------------------------------------------------------------

TEST_F(RunEngineTest, StartAndCutTestNeedALoadedJob) {
  window_.jobLoaded = false;
  engine_.Start();
  engine_.CutTest();
  EXPECT_TRUE(cutter_.writes.empty());
  EXPECT_TRUE(feeder_.writes.empty());
  EXPECT_EQ(window_.messages, (std::vector<std::string>(2, std::string(kNoGraphicLoadedMessage))));
  EXPECT_FALSE(engine_.Running());
}

TEST_F(RunEngineTest, PauseAndResumeDoNothingOutsideARun) {
  engine_.PauseResume();
  engine_.PauseResume();
  EXPECT_FALSE(engine_.Paused());
  EXPECT_EQ(ctx_.detectionHold, 0);
  EXPECT_FALSE(ctx_.cutTestArmed);
  Ticks(100);
  EXPECT_TRUE(feeder_.openedPaths.empty());
}

TEST_F(RunEngineTest, StartClearsThePreviousAveragesAndStopWritesOneReport) {
  // A run stopped before it counted a sheet writes no report line.
  FeederAnswers();
  engine_.Start();
  engine_.Start();
  EXPECT_EQ(window_.reports, 0);

  ctx_.firstCutMs = 5000;
  ctx_.secondCutMs = 5100;
  ctx_.avgCutMs = 5050;
  FeederAnswers();
  engine_.Start();
  EXPECT_TRUE(engine_.Running());
  EXPECT_EQ(ctx_.avgCutMs, 0U);
  EXPECT_EQ(ctx_.firstCutMs, 0U);
  EXPECT_TRUE(HasText(run_control::kStart, "Stop"));
  engine_.Fields().sheet.sheetCount = 1;
  ctx_.searchAttempts = 12;
  engine_.Start();  // Stop
  EXPECT_FALSE(engine_.Running());
  EXPECT_EQ(window_.reports, 1);
  EXPECT_EQ(ctx_.searchAttempts, 0);
  EXPECT_EQ(ctx_.waitingForMark, 0);
  EXPECT_EQ(ctx_.statusStep, 80);
}

// Counts what the engine asks of the sleep hold.
class CountingSleepInhibitor : public SleepInhibitor {
 public:
  int holds = 0;
  int releases = 0;
  void Hold() override { ++holds; }
  void Release() override { ++releases; }
};

// Each way a run ends lets the PC sleep again, once; a Start refused or a Cut Test holds nothing.
TEST_F(RunEngineTest, SleepIsHeldFromStartUntilEachKindOfEnd) {
  CountingSleepInhibitor sleep;
  engine_.SetSleepInhibitor(&sleep);
  window_.jobLoaded = false;
  engine_.Start();
  window_.jobLoaded = true;
  FeederAnswers();
  engine_.CutTest();
  EXPECT_EQ(sleep.holds, 0);

  const std::vector<std::pair<std::string, std::function<void()>>> ends = {
      {"Stop", [&] { engine_.Start(); }},
      // The copies done, or the mark search giving up: the sheet cycle's FinishJob.
      {"FinishJob", [&] { engine_.FinishJob(); }},
      {"feeder out of sheets",
       [&] {
         engine_.Fields().sheet.sheetCount = 1;
         engine_.StartSheet();  // no answer to the sheet request
       }},
      {"window closed", [&] { engine_.ReleaseSleep(); }},
      {"closed during a sheet's registration",
       [&] {
         ctx_.exitRequested = 1;  // the process ends at the next tick
         Ticks(1);
         ctx_.exitRequested = 0;
       }},
  };
  for (const auto& [name, end] : ends) {
    SCOPED_TRACE(name);
    const int holds = sleep.holds;
    const int releases = sleep.releases;
    FeederAnswers();
    clock_.Advance(kCutTestGuardSeconds * 1000);
    engine_.Start();
    ASSERT_TRUE(engine_.Running());
    EXPECT_EQ(sleep.holds, holds + 1);
    EXPECT_EQ(sleep.releases, releases);
    end();
    EXPECT_EQ(sleep.releases, releases + 1);
    engine_.FinishJob();  // a second end lets nothing go twice
    engine_.ReleaseSleep();
    EXPECT_EQ(sleep.releases, releases + 1);
  }
}

TEST_F(RunEngineTest, CutTestRunsOnceInFiveSecondsAndHonoursItsQuestions) {
  FeederAnswers();
  engine_.Fields().commands.cutForce = 20;
  window_.answerYes = false;
  engine_.CutTest();
  EXPECT_EQ(window_.messages, std::vector<std::string>{std::string(kHighForceQuestion)});
  EXPECT_EQ(SheetRequests(), 0);
  EXPECT_TRUE(ctx_.cutTestArmed);

  clock_.Advance(2000);
  window_.answerYes = true;
  engine_.CutTest();  // within five seconds of the last: ignored
  EXPECT_EQ(window_.messages.size(), 1U);

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

TEST_F(RunEngineTest, JogAtTheOriginSendsNothingAndAReleaseWithoutPressIsIgnored) {
  ctx_.mediaPosition = 0.1;
  engine_.JogPress(JogButton::kUp);
  EXPECT_EQ(window_.messages, std::vector<std::string>{std::string(kJogAtOriginMessage)});
  EXPECT_TRUE(cutter_.writes.empty());
  engine_.JogRelease();
  EXPECT_EQ(cutter_.writes.back().bytes, kFeedStopText);
  EXPECT_EQ(ctx_.statusStep, 38);
  EXPECT_EQ(ctx_.displayState, 1);
  const std::size_t sent = cutter_.writes.size();
  engine_.JogRelease();
  EXPECT_EQ(cutter_.writes.size(), sent);

  engine_.JogPress(JogButton::kDown);
  EXPECT_EQ(ctx_.statusStep, 150);
}

TEST_F(RunEngineTest, ToolCycleRunsElevenCyclesOfThirtyEightTicks) {
  ctx_.statusStep = 100000;  // keep the polling quiet
  ctx_.statusChar = '0';
  engine_.Cycle();
  EXPECT_EQ(ctx_.headCross, 110);
  Ticks(1);
  EXPECT_EQ(ctx_.cycleState, 2);
  const std::string creasing = FormatCutterCommand(kSelectCreasingTool, ctx_, {}).writes.front();
  Ticks(11 * 38 + 40);
  EXPECT_EQ(cutter_.Count(creasing), 11);
  EXPECT_EQ(ctx_.cycleState, 0);
}

TEST_F(RunEngineTest, CloseDuringRegistrationEndsTheProcessAtTheNextTick) {
  EXPECT_TRUE(engine_.RequestClose());
  ctx_.waitingForMark = 1;
  EXPECT_FALSE(engine_.RequestClose());
  EXPECT_EQ(window_.exitCode, -1);
  Ticks(1);
  EXPECT_EQ(window_.exitCode, 0);
}

}  // namespace
}  // namespace orvex
