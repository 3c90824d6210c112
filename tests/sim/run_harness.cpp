// The window around the run engine, for whole runs on the twin.
#include "run_harness.h"

#include "vision/edge_search.h"
#include "vision/mark_search.h"

namespace orvex::sim {

namespace {
// From a frame request to its delivery by the capture thread.
constexpr int kFrameLatencyMs = 40;
}  // namespace

RunHarness::RunHarness(SimMachine& machine, const std::filesystem::path& workDir,
                       const RunContext& imported)
    : machine_(machine),
      ctx_(imported),
      link_(machine.Cutter(), ctx_),
      feeder_(machine.Feeder()),
      engine_(ctx_, WorkDir(workDir),
              RunPorts{link_, feeder_, machine.Clock(), *this, *this, *this}) {
  frame_.width = kFrameWidth;
  frame_.height = kFrameHeight;
}

RunHarness::~RunHarness() {
  if (timerOn_) machine_.Clock().Cancel(tickEvent_);
}

void RunHarness::StartTimer() {
  timerOn_ = true;
  ScheduleTick();
}

void RunHarness::ScheduleTick() {
  tickEvent_ = machine_.Clock().ScheduleAfter(kTickMs, [this] {
    ScheduleTick();
    engine_.OnTimer();
  });
}

void RunHarness::RunFor(std::int64_t ms) {
  machine_.Clock().Advance(ms);
}

bool RunHarness::RunUntilEnded(std::int64_t limitMs) {
  const std::int64_t end = machine_.Clock().NowMs() + limitMs;
  while (machine_.Clock().NowMs() < end) {
    machine_.Clock().Advance(kTickMs);
    if (!engine_.Running() && !engine_.Busy()) return true;
  }
  return false;
}

void RunHarness::ShowMessage(std::string_view text, std::string_view /*caption*/,
                             MessageIcon /*icon*/) {
  messages.emplace_back(text);
}

bool RunHarness::AskYesNo(std::string_view text, std::string_view /*caption*/) {
  messages.emplace_back(text);
  return answerYes;
}

void RunHarness::LogFinishedRun(const RunFields& fields) {
  reportedSheetCounts.push_back(fields.sheet.sheetCount);
}

void RunHarness::TimerRefresh() {
  // The last step of a tick.
  if (engine_.SequenceDepth() > 1) ++ticksInsideSequences;
  ++ticks;
}

void RunHarness::SetControlText(int controlId, std::string_view text) {
  if (controlId == run_control::kStart) startCaption = std::string(text);
}

void RunHarness::RequestFrame() {
  ++framesRequested;
  if (!machine_.Camera().Settings().deliversFrames) return;
  machine_.Clock().ScheduleAfter(kFrameLatencyMs, [this] {
    // The capture thread copies the view at the moment the frame arrives.
    machine_.Camera().Render(frame_.bytes);
    frameWaiting_ = true;
    engine_.OnFrameReady();
  });
}

void RunHarness::AnalyseFrame() {
  if (!frameWaiting_) return;
  frameWaiting_ = false;
  // The engine runs a notice inside its own guard; a deeper one means a sequence was running.
  if (engine_.SequenceDepth() > 1) ++analysesInsideSequences;
  ++analyses;
  if (ctx_.detectionHold != 0) return;  // the run holds the analysis
  const MarkPoint found =
      ctx_.edgeMode == 0 ? FindMark(frame_, ctx_, *this) : FindSheetEdge(frame_, ctx_, *this);
  ctx_.markCol = found.col;
  ctx_.markRow = found.row;
  ctx_.markResult = found.Found() ? 1 : -1;
}

void RunHarness::SendFeederReportAndClose(std::string_view report, int timeoutMs) {
  feeder_.FeederSend(0, reinterpret_cast<const std::uint8_t*>(report.data()),
                     static_cast<int>(report.size()), timeoutMs);
  feeder_.FeederClose(0);
}

void RunHarness::ShowInformation(std::string_view message) {
  messages.emplace_back(message);
}

void RunHarness::SendCutterCommand(int number) {
  CutterCommand(number, ctx_, engine_.Fields().commands, link_);
}

}  // namespace orvex::sim
