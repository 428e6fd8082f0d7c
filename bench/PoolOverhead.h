#pragma once

// What the pool adds to a thread per job: empty jobs through a pool until it
// is empty, against bare platform threads with empty bodies started the same
// way (at most 15 at once, the next as one ends, the same stack
// reservation).

#include "bench/BenchCore.h"

namespace bench {

inline constexpr int kEmptyJobs = 2000;
inline constexpr double kPoolTarget = 1.5;

struct PoolOverheadReport {
  Measure pool{"pool_empty_jobs", "2,000 empty jobs through the pool"};
  Measure bare{"bare_threads_15_at_once", "2,000 bare threads, 15 at once"};
};

// The two take turns `runs` times; the user-interface thread, which handles
// the pool's completions while it waits.
PoolOverheadReport MeasurePoolOverhead(int runs);

void PrintPoolOverhead(const PoolOverheadReport& report);

}  // namespace bench
