#pragma once

// What the thumbnail jobs would cost without a pool: the same extractions,
// one after another on one thread whose COM stays initialised, each through
// the job's own body (the shell's extractor, else the imaging component's
// decode). Also which of the two answers here.

#include <string>
#include <vector>

#include "bench/BenchCore.h"

namespace bench {

struct SerialExtraction {
  int items = 0;
  // Extractions that made a picture.
  int pictures = 0;
  double seconds = kNotMeasured;
  // The shell's extractor asked alone, on the first few items.
  int shellAsked = 0;
  int shellAnswered = 0;

  double MeanMilliseconds() const { return items ? seconds * 1000.0 / items : kNotMeasured; }
};

// The user-interface thread, which keeps handling messages meanwhile;
// throws BenchError when a file has no id list or the thread cannot start.
SerialExtraction ExtractSerially(const std::vector<std::wstring>& files, int width, int height);

}  // namespace bench
