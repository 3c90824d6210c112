// Fuzzes the cutter command formatter with arbitrary machine state and settings (settings come
// from the profile and from cut-setting files, so any int or double can reach it): no command
// text may exceed the cutter's buffer, and no formatted value may be other than an integer.
#include "run/cutter_command.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

namespace {

const int kNumbers[] = {1,   2,   4,   5,   6,   7,   8,   9,   10,  11,  20,
                        21,  23,  25,  31,  50,  99,  100, 101, 102, 110, 111,
                        112, 113, 116, 118, 119, 120, 130, 140, 150, 151};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  orvex::RunContext ctx;
  orvex::CutterCommandInputs inputs;
  ctx.cutterModel = in.ConsumeIntegralInRange(0, 3);
  ctx.creasingInstalled = in.ConsumeIntegralInRange(0, 1);
  ctx.creasingVariant = in.ConsumeIntegralInRange(0, 3);
  ctx.wideCarriage = in.ConsumeIntegralInRange(0, 1);
  ctx.edgeMode = in.ConsumeIntegralInRange(0, 1);
  ctx.markMode = in.ConsumeIntegralInRange(-1, 3);
  ctx.specialMode = in.ConsumeIntegralInRange(-1, 5);
  ctx.headCross = in.ConsumeIntegral<int>();
  ctx.mediaWidth = in.ConsumeIntegral<int>();
  ctx.defaultSpeed = in.ConsumeIntegral<int>();
  ctx.cameraOffsetX = in.ConsumeIntegral<int>();
  ctx.jobWidth = in.ConsumeFloatingPoint<float>();
  ctx.unitFactor = in.ConsumeBool() ? 25.4 : in.ConsumeFloatingPoint<double>();
  inputs.cutForce = in.ConsumeIntegral<int>();
  inputs.dashedForce = in.ConsumeIntegral<int>();
  inputs.dashedUpLength = in.ConsumeIntegral<int>();
  inputs.dashedCutLength = in.ConsumeIntegral<int>();
  inputs.specialUpLength = in.ConsumeIntegral<int>();
  inputs.specialCutLength = in.ConsumeIntegral<int>();
  inputs.dashedSpeed = in.ConsumeIntegral<int>();
  inputs.specialSpeed = in.ConsumeIntegral<int>();
  inputs.labelStep = in.ConsumeFloatingPoint<double>();
  inputs.dashedLineOn = in.ConsumeBool();
  inputs.bladeUp = in.ConsumeBool();

  for (int number : kNumbers) {
    const orvex::CommandTexts texts = orvex::FormatCutterCommand(number, ctx, inputs);
    if (!texts.known) std::abort();
    if (texts.refused && !texts.writes.empty()) std::abort();
    for (const std::string& text : texts.writes) {
      if (text.empty() || text.size() > orvex::kMaxCommandText) std::abort();
      if (text.find("nan") != std::string::npos || text.find("inf") != std::string::npos) {
        std::abort();
      }
    }
  }
  return 0;
}
