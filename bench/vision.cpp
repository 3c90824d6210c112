// Speed of the searches that run on the GUI thread between two 120 ms ticks: the mark search
// on a frame with a mark, and the sheet edge search in both phases. The copy of a frame under
// the buffer's guard is measured beside them as the peer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "vision/camera_frame.h"
#include "vision/edge_search.h"
#include "vision/frame_buffer.h"
#include "vision/mark_search.h"

namespace {

using orvex::CameraFrame;

void Put(CameraFrame& frame, int c, int r, int grey) {
  std::uint8_t* p = frame.bytes.data() + static_cast<std::size_t>(r) * orvex::kFrameStride +
                    static_cast<std::size_t>(c) * 3;
  p[0] = p[1] = p[2] = static_cast<std::uint8_t>(std::clamp(grey, 0, 255));
}

// Noisy paper with a 50-pixel mark near the centre and a sheet edge in row 400 / column 320.
CameraFrame BenchFrame() {
  std::mt19937 random(1);
  std::normal_distribution<double> noise(0.0, 3.0);
  CameraFrame frame = orvex::MakeStandardFrame();
  for (int r = 0; r < orvex::kFrameHeight; ++r) {
    for (int c = 0; c < orvex::kFrameWidth; ++c) {
      const bool mark = c >= 297 && c < 347 && r >= 214 && r < 264;
      const bool offSheet = (r == 400 && c < 200) || (c == 320 && r < 60);
      const int grey = mark || offSheet ? 30 : 210;
      Put(frame, c, r, grey + static_cast<int>(noise(random)));
    }
  }
  return frame;
}

void BM_FindMark(benchmark::State& state) {
  const CameraFrame frame = BenchFrame();
  for (auto _ : state) {
    const orvex::MarkPoint found = orvex::LocateMark(frame, false);
    benchmark::DoNotOptimize(found);
    if (!found.Found()) state.SkipWithError("mark not found");
  }
}
BENCHMARK(BM_FindMark)->Unit(benchmark::kMicrosecond);

void BM_FindSheetEdge(benchmark::State& state) {
  const CameraFrame frame = BenchFrame();
  const bool endPhase = state.range(0) != 0;
  for (auto _ : state) {
    const orvex::MarkPoint found = orvex::LocateSheetEdge(frame, endPhase);
    benchmark::DoNotOptimize(found);
    if (!found.Found()) state.SkipWithError("edge not found");
  }
}
BENCHMARK(BM_FindSheetEdge)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

class NullPoster : public orvex::FrameReadyPoster {
 public:
  void PostFrameReady() override {}
};

void BM_FrameCopyUnderGuard(benchmark::State& state) {
  NullPoster poster;
  orvex::FrameBuffer buffer(poster);
  buffer.SetFrameSize(640, 480);
  const CameraFrame frame = BenchFrame();
  buffer.RequestGrab();
  buffer.OnFrame(0.0, frame.bytes.data(), frame.bytes.size());
  orvex::DeliveredFrame copy;
  for (auto _ : state) {
    buffer.CopyLast(copy);
    benchmark::DoNotOptimize(copy.frame.bytes.data());
  }
}
BENCHMARK(BM_FrameCopyUnderGuard)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
