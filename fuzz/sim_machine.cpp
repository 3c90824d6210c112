// Fuzzes the simulated machine with what it reads from outside itself: arbitrary bytes written
// to the cutter in arbitrary pieces (queries answered through a read), arbitrary job files, and
// a camera frame rendered wherever the bytes left the head. Nothing may crash, hang or read
// out of bounds, and the frame is always a whole frame.
#include "sim/sim_machine.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  orvex::sim::SimCameraSettings camera;
  camera.noiseSigma = 0.0;  // noise is no parser; the frame's geometry is what can go wrong
  orvex::sim::SimMachine machine({}, {}, camera);
  const bool render = in.ConsumeBool();
  const std::string sort = in.ConsumeRandomLengthString(4096);
  const std::string marks = in.ConsumeRandomLengthString(256);
  orvex::sim::JobLoad load = orvex::sim::ParsePrintedJob(sort, marks);
  if (load.ok) machine.SetJob(std::move(load.job));

  orvex::sim::SimCutter& cutter = machine.Cutter();
  orvex::CutterHandle writer = orvex::kNoCutterHandle;
  orvex::CutterHandle reader = orvex::kNoCutterHandle;
  cutter.Open(cutter.DevicePath(), orvex::CutterAccess::kWrite, writer);
  cutter.Open(cutter.DevicePath(), orvex::CutterAccess::kRead, reader);
  std::array<std::uint8_t, 64> status{};
  if (in.ConsumeBool()) cutter.UnplugAfterBytes(in.ConsumeIntegralInRange(0, 4096));
  while (in.remaining_bytes() > 0) {
    const std::string piece = in.ConsumeRandomLengthString(256);
    if (!cutter.ReadOutstanding()) cutter.StartRead(reader, status.data(), status.size());
    cutter.Write(writer, piece.data(), piece.size());
    cutter.WaitRead(in.ConsumeIntegralInRange(0, 200));
  }
  machine.Bed().NoteSheetRequested();
  machine.Bed().DeliverSheet();
  machine.Bed().NoteFeedCommand(1);
  machine.Bed().NoteFeedCommand(0);
  if (render) {
    std::vector<std::uint8_t> frame;
    machine.Camera().Render(frame);
    if (frame.size() != 640U * 480U * 3U) std::abort();
  }
  (void)machine.Accuracy();
  return 0;
}
