#pragma once

// Questions asked once per object, which must stay cheap however large the
// folder or the user's filter: the mask match of a name, and what the
// folder object is asked of each object while the list fills, against the
// display name it must not need.

#include <string>

#include "bench/BenchCore.h"

namespace bench {

struct MaskReport {
  Measure miss{"matchesmask_many_stars_miss", "MatchesMask, 13 stars, no match"};
  Measure match{"matchesmask_many_stars_match", "MatchesMask, 13 stars, a match"};
};

// A 200-character name against a mask of many stars that it fails only at
// the end, and the same name with that end, `runs` times each.
MaskReport MeasureMask(int runs);
void PrintMask(const MaskReport& report);

struct QuestionsReport {
  Measure fill{"dirwalker_fill_questions", "TDirwalker fill questions per object"};
  Measure names{"dirwalker_display_names", "  same enumeration, DisplayName"};
  int objects = 0;
};

// The enumeration of `folder`'s first objects, `runs` times each way.
QuestionsReport MeasureQuestions(const std::wstring& folder, int runs);
void PrintQuestions(int size, const QuestionsReport& report);

}  // namespace bench
