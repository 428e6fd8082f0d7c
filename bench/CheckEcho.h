#pragma once

// A click on a row's box in one list, timed until the other list of the
// same link, showing the same folder, holds the row's new state: the click
// ticks the row in the link's selection list, and the link has the other
// list bring its rows' states up to date (a merge, or above a few hundred
// rows a refill).

#include <string>
#include <vector>

#include "bench/BenchCore.h"

namespace bench {

// Where the other list's row was first found holding the new state.
enum class EchoSeen { kInClick, kAtPaint, kPumping, kNever };
inline constexpr int kEchoSeenKinds = 4;

// One kind of click, over the runs.
struct ClickTimes {
  // The button's down and up messages, each sent and returned.
  Measure messages;
  // From the down message to the other list's row holding the new state.
  Measure state;
  // From the down message to the other list painted, its row included.
  Measure painted;
  int seen[kEchoSeenKinds] = {};
  // The other list's fills (OnPopulated) over the timed runs, raised while
  // the button's down message, and its up message, were handled.
  int fillsOnDown = 0;
  int fillsOnUp = 0;
};

struct EchoSize {
  int size = 0;
  // A click on an unticked box of a row not selected: the click selects
  // the row too, which the link passes on.
  ClickTimes tick;
  // A click on the ticked box of the row just ticked, still selected.
  ClickTimes untick;
  // For comparison, a click on another row's name: it only selects.
  ClickTimes select;
  // Whether the click on the box selected the row in the list clicked.
  bool boxClickSelects = false;
  std::string failure;
};

// `folders`: each size and its folder of that many files.
std::vector<EchoSize> MeasureCheckEcho(const std::vector<std::pair<int, std::wstring>>& folders,
                                       int runs, double timeoutSeconds);

}  // namespace bench
