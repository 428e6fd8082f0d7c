#pragma once

// What the finished window adds to the list: the same folder filled in
// Wayfold's form (bars, buttons, the path handler) against the bare list,
// and a walk through the rows with the path handler attached and without.

#include <string>

#include "bench/BenchCore.h"

namespace bench {

struct WindowReport {
  Measure bareFill{"bare_list_fill", "bare list: fill + first page"};
  Measure windowFill{"window_fill", "finished window: fill + first page"};
  Measure walkBare{"down_keys_no_handler", "1,000 Down presses, no path handler"};
  Measure walkWindow{"down_keys_path_handler", "1,000 Down presses, path handler"};
};

WindowReport MeasureWindow(const std::wstring& folder, int runs);

void PrintWindow(int size, const WindowReport& report);

}  // namespace bench
