#pragma once

// Painting the caption panel: a 332 x 23 panel with a centred picture and a
// caption, and a 332 x 566 tiled panel, each against the least raw GDI that
// gives the same pixels.

#include "bench/BenchOptions.h"

namespace bench {

// The panel may add this much to the raw drawing.
inline constexpr double kPaintTarget = 1.5;
inline constexpr int kPaintsPerMeasure = 1000;

void RunPaintMeasure(const Options& options);

}  // namespace bench
