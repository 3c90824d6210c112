// orvex-cli import --order: the options, the ordering of the imported job and its summary.
#include "cli/order_option.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/work_dir.h"
#include "run/cut_order.h"

namespace orvex::cli {
namespace {

// The dashed line's "Pass" box offers up to this many passes.
constexpr int kMaxPasses = 10;
// Special modes 0 to 4, as the special-mode box lists them.
constexpr int kMaxSpecialMode = 4;

bool ParseInt(const std::string& text, int low, int high, int& value) {
  int parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

}  // namespace

bool IsOrderOption(const std::string& arg) {
  return arg == "--order" || arg == "--passes" || arg == "--reverse" || arg == "--special-mode";
}

bool ParseOrderOption(const Arguments& args, std::size_t& i, OrderOptions& options,
                      std::string& why) {
  const std::string& arg = args[i];
  if (arg == "--order") {
    options.order = true;
    return true;
  }
  options.tuned = true;
  if (arg == "--reverse") {
    options.reverse = true;
    return true;
  }
  const bool passes = arg == "--passes";
  const std::string text = i + 1 < args.size() ? args[++i] : std::string();
  if (passes) {
    if (ParseInt(text, 1, kMaxPasses, options.passes)) return true;
    why = "--passes takes 1 to " + std::to_string(kMaxPasses) + " cuts per contour";
    return false;
  }
  if (ParseInt(text, 0, kMaxSpecialMode, options.specialMode)) return true;
  why = "--special-mode takes 0 to " + std::to_string(kMaxSpecialMode) +
        " (2 and 3 cut the sheet mirrored)";
  return false;
}

std::optional<std::string> CheckOrderOptions(const OrderOptions& options) {
  if (options.tuned && !options.order) {
    return std::string("--passes, --reverse and --special-mode go with --order");
  }
  return std::nullopt;
}

OrderSummary OrderImportedJob(RunContext& context, const std::filesystem::path& workDir,
                              const OrderOptions& options) {
  OrderSummary summary;
  if (!options.order) return summary;
  summary.requested = true;
  // As the start of a sheet sets them up.
  context.passes = options.passes;
  context.reverseOrder = options.reverse ? 1 : 0;
  context.specialMode = options.specialMode;
  context.edgeMode = (options.specialMode == 2 || options.specialMode == 3) ? 1 : 0;
  OrderResult result = OrderCuts(context, WorkDir(workDir));
  summary.ok = result.ok;
  summary.error = result.ok ? std::string() : "The cut order could not be written: " + result.error;
  summary.orderedContours = result.orderedContours;
  summary.totalCutLengthMm = context.totalCutLength;
  return summary;
}

std::string OrderJsonMembers(const OrderSummary& summary) {
  if (!summary.requested) return {};
  std::string out = ", \"ordered_contours\": " + std::to_string(summary.orderedContours);
  out += ", \"total_cut_length_mm\": ";
  if (summary.ok && std::isfinite(summary.totalCutLengthMm)) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", summary.totalCutLengthMm);
    out += text;
  } else {
    out += "null";
  }
  return out;
}

void PrintOrderLine(const OrderSummary& summary, const std::filesystem::path& workDir) {
  if (!summary.requested) return;
  if (!summary.ok) {
    std::printf("Order:    NOT written (%s)\n", summary.error.c_str());
    return;
  }
  std::printf("Order:    %d contour start(s), %.1f mm of cut in %s\n", summary.orderedContours,
              summary.totalCutLengthMm, (workDir / "sortx.prn").string().c_str());
}

}  // namespace orvex::cli
