#pragma once

// A user paging through a folder of pictures shown as thumbnails: from
// SetPath the user-interface thread pages down once every 50 ms to the end,
// handling whatever messages come in between (among them the pictures the
// pool's jobs hand back), while a probe measures how long it keeps a
// message waiting.

#include <string>
#include <vector>

#include "bench/BenchCore.h"
#include "bench/Memory.h"
#include "bench/ResponsivenessProbe.h"

namespace bench {

inline constexpr int kListWidth = 800;
inline constexpr int kListHeight = 600;
inline constexpr DWORD kPageSlotMs = 50;

// The probe's phases.
inline constexpr int kScrolling = 0;
inline constexpr int kAwaitingPictures = 1;

struct ScrollPlan {
  std::wstring folder;
  // Shown first (to warm the pool's path up) and, with a detour, stepped
  // into and back from.
  std::wstring smallFolder;
  // The page at which the list goes to the small folder and back, then
  // carries on from where it was; -1 for none.
  int detourPage = -1;
  // After the last page, go on handling messages until every picture of the
  // folder landed (or the timeout passed).
  bool awaitPictures = false;
  int folderPictures = 0;
  double timeoutSeconds = 120;
  // Off: placeholders only, for what paging costs with no job running.
  bool makeJobs = true;
};

// Where each page's 50 ms went, in seconds, one entry a page.
struct PageTimes {
  // Paging down and UpdateWindow: the rows drawn, their placeholders made
  // and their jobs queued.
  std::vector<double> scroll;
  // The rows that page drew for the first time (each made its placeholder).
  std::vector<int> rowsDrawn;
  // Inside ProcessMessages: pictures landing, rows redrawn, the probe answered.
  std::vector<double> processing;
  // Waiting for a message.
  std::vector<double> idle;
};

struct ScrollReport {
  // Just before SetPath; every time below runs from here.
  Clock::time_point origin;
  // When each page's slot began, in seconds.
  std::vector<double> pageStarts;
  // The first slot: SetPath and the first page drawn.
  double setPathSeconds = kNotMeasured;
  PageTimes pages;
  // From SetPath to the end of the last page's slot.
  double scrollSeconds = kNotMeasured;
  // Going away and back, the way back drawn and the place restored.
  double detourSeconds = kNotMeasured;
  bool detourRestored = true;
  ProbeRecord probe;
  int jobsMade = 0;
  int jobsLanded = 0;
  bool allLanded = false;
  // From SetPath to the last picture landed.
  double lastLandedSeconds = kNotMeasured;
  int rowsAwaiting = 0;
  int jobPriority = 0;
  int threadsBefore = -1;
  int threadsAfter = -1;
  MemorySample memoryBefore, memoryShown, memoryClosed;
  // Closing the list while its jobs run or wait.
  double closeSeconds = kNotMeasured;
};

// Throws BenchError when the list cannot be shown.
ScrollReport RunThumbnailScroll(const ScrollPlan& plan);

// The page whose slot `point` fell in: 0 for SetPath's, -1 for after the last.
int PageAt(const ScrollReport& report, Clock::time_point point);

}  // namespace bench
