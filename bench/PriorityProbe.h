#pragma once

// Whether the platform's scheduler honours a below-normal thread priority:
// two threads spin side by side on one core, one at normal priority and one
// below; a scheduler that applies the priority gives the lower one clearly
// fewer turns. (Wine records the priority, so GetThreadPriority answers it
// either way.)

#include <string>

namespace bench {

struct PriorityShare {
  bool measured = false;
  // The below-normal spinner's turns over the normal one's.
  double share = 0;
  std::string failure;
};

PriorityShare MeasureBelowNormalShare();

}  // namespace bench
