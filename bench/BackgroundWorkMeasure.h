#pragma once

// Work moved off the user-interface thread: what the thread pool costs per
// job against bare threads, and whether the window keeps answering while a
// folder of pictures is paged through as thumbnails and their jobs run,
// with how long the pictures take against making them one after another.

#include "bench/BenchOptions.h"

namespace bench {

// Each picture, as the list makes it by default.
inline constexpr int kThumbnailSide = 100;
// Targets: the window answers a message within these, at the 99th
// percentile and at worst, and the last picture lands within this share of
// the serial extractions' time.
inline constexpr double kAnswerP99TargetMs = 50;
inline constexpr double kAnswerLongestTargetMs = 150;
inline constexpr double kLastLandedTarget = 1.5;
// Below this, a job's own cost would hide the extraction's.
inline constexpr double kLeastExtractionMs = 1;

void RunBackgroundWorkMeasure(const Options& options);

}  // namespace bench
