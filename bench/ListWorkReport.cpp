#include "bench/ListWorkReport.h"

#include <cmath>
#include <cstdio>

namespace bench {
namespace {

const char* Verdict(double ratio) {
  if (std::isnan(ratio)) return "";
  return ratio <= kListWorkTarget ? "within target" : "OVER target";
}

}  // namespace

void PrintListWorkHeader() {
  std::printf(
      "  our list against the same shell questions asked directly (target: ratio <= %.2f)\n"
      "  %-40s %5s %10s %10s %12s  %s\n",
      kListWorkTarget, "measure", "runs", "median s", "raw s", "ratio to raw", "note");
}

double RatioOf(const Measure& measure, const Measure& raw) {
  return measure.median() / raw.median();
}

void PrintListWorkLine(const Measure& m, const Measure* raw, const std::string& extra,
                       double paired) {
  std::string note = NoteOf(m, extra);
  const double ratio = !std::isnan(paired) ? paired : raw ? RatioOf(m, *raw) : kNotMeasured;
  if (raw && !std::isnan(ratio)) {
    char target[64];
    std::snprintf(target, sizeof target, "target <= %.2f, %s", kListWorkTarget, Verdict(ratio));
    note = note.empty() ? target : std::string(target) + "; " + note;
  }
  std::printf("  %-40s %5d %10s %10s %12s  %s\n", m.label.c_str(), m.runs,
              Format(m.median(), "%.6f").c_str(), raw ? Format(raw->median(), "%.6f").c_str() : "",
              raw ? Format(ratio, "%.3f").c_str() : "", note.c_str());
}

void PrintListWorkResult(int size, const Measure& m, const Measure* raw, const std::string& extra) {
  std::printf("RESULT size=%d measure=%s runs=%zu seconds=%s", size, m.key.c_str(),
              m.samples.size(), Format(m.median(), "%.6f").c_str());
  if (raw)
    std::printf(" raw_seconds=%s ratio_to_raw=%s target_ratio=%.2f",
                Format(raw->median(), "%.6f").c_str(), Format(RatioOf(m, *raw), "%.4f").c_str(),
                kListWorkTarget);
  std::printf("%s\n", extra.c_str());
}

std::string PerRow(const Measure& m, double rows) {
  return Format(m.median() / rows * 1e6, "%.1f") + " us per row";
}

std::string PerCall(const Measure& m, std::uint64_t calls) {
  return Format(m.median() / static_cast<double>(calls) * 1e9, "%.0f") + " ns per call";
}

std::string PerComparison(const Measure& m, const Measure& below, std::uint64_t comparisons) {
  return Format((m.median() - below.median()) / static_cast<double>(comparisons) * 1e9, "%+.0f") +
         " ns per comparison";
}

}  // namespace bench
