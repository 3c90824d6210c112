// Fuzzes the ordering of contour record files with arbitrary bytes (a damaged or hand-edited
// sort.prn) and checks what must hold whatever the input: the special section is kept byte for
// byte, a single-pass file ends with its "A" line, ordering the ordered file again changes
// nothing but the order, and the multi-pass expansion repeats every contour start.
#include "run/cut_order.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>

#include "core/run_context.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const int passes = provider.ConsumeIntegralInRange<int>(1, 4);
  const int reverse = provider.ConsumeBool() ? 1 : 0;
  const long special = provider.ConsumeIntegralInRange<long>(-2, 200);
  const std::string text = provider.ConsumeRemainingBytesAsString();

  long specialEnd = special;
  double length = 0.0;
  std::string ordered = orvex::OrderRecords(text, specialEnd, passes, reverse, length);
  Check(specialEnd >= 0 && static_cast<std::size_t>(specialEnd) <= text.size());
  Check(ordered.compare(0, specialEnd, text, 0, specialEnd) == 0);
  Check(ordered.size() >= 2 && ordered.compare(ordered.size() - 2, 2, "A\n") == 0);

  const int starts = orvex::CountContourStarts(ordered, specialEnd);
  if (passes > 1) {
    std::string expanded = orvex::ExpandPasses(ordered, specialEnd, passes);
    Check(expanded.compare(0, specialEnd, ordered, 0, specialEnd) == 0);
    Check(orvex::CountContourStarts(expanded, specialEnd) == starts * passes);
  } else {
    // An ordered file orders to the same contours again.
    long again = specialEnd;
    double length2 = 0.0;
    std::string twice = orvex::OrderRecords(ordered, again, 1, reverse, length2);
    Check(orvex::CountContourStarts(twice, again) == starts);
  }

  orvex::RunContext ctx;
  ctx.specialCount = special > 0 ? 1 : 0;
  ctx.specialEnd = special;
  ctx.firstMarkPos = 10.0F;
  ctx.secondMarkPos = 200.0F;
  std::string mirrored = orvex::MirrorRecords(text, ctx);
  if (ctx.specialCount > 0) {
    Check(ctx.specialEnd >= 0 && static_cast<std::size_t>(ctx.specialEnd) <= mirrored.size());
  }
  return 0;
}
