#include "bench/RatioReport.h"

#include <cmath>
#include <cstdio>

namespace bench {

void PrintRatioHeader(const std::string& what, double target) {
  std::printf("  %s (target: ratio <= %.2f)\n  %-40s %5s %10s %10s %12s  %s\n", what.c_str(),
              target, "measure", "runs", "median s", "raw s", "ratio to raw", "note");
}

void PrintRatioLine(const Measure& m, const Measure* raw, double target, const std::string& extra) {
  std::string note = NoteOf(m, extra);
  const double ratio = raw ? m.median() / raw->median() : kNotMeasured;
  if (!std::isnan(ratio)) {
    char verdict[64];
    std::snprintf(verdict, sizeof verdict, "target <= %.2f, %s", target,
                  ratio <= target ? "within target" : "OVER target");
    note = note.empty() ? verdict : std::string(verdict) + "; " + note;
  }
  std::printf("  %-40s %5d %10s %10s %12s  %s\n", m.label.c_str(), m.runs,
              Format(m.median(), "%.6f").c_str(), raw ? Format(raw->median(), "%.6f").c_str() : "",
              raw ? Format(ratio, "%.3f").c_str() : "", note.c_str());
}

void PrintRatioResult(int size, const Measure& m, const Measure* raw, double target,
                      const std::string& extra) {
  std::printf("RESULT size=%d measure=%s runs=%zu seconds=%s", size, m.key.c_str(),
              m.samples.size(), Format(m.median(), "%.6f").c_str());
  if (raw)
    std::printf(" raw_seconds=%s ratio_to_raw=%s target_ratio=%.2f",
                Format(raw->median(), "%.6f").c_str(),
                Format(m.median() / raw->median(), "%.4f").c_str(), target);
  std::printf("%s\n", extra.c_str());
}

}  // namespace bench
