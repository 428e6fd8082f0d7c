#include "bench/QuestionsMeasure.h"

#include <cmath>
#include <cstdio>

#include "framework/Strings.h"
#include "shell/core/Dirwalker.h"

namespace bench {
namespace {

constexpr wchar_t kManyStars[] = L"*a*a*a*a*a*a*a*a*a*a*a*a*b";
constexpr size_t kMaskNameLength = 200;
// A single match takes microseconds: each sample times a batch.
constexpr int kMatchesPerSample = 100;
// A first match slower than this would make a batch take minutes.
constexpr double kRunawayMatchSeconds = 0.1;

// Display names cost about 0.4 ms an object under Wine: the first objects
// of a large folder tell the ratio as well as all of them.
constexpr int kQuestionObjects = 5000;

// Seconds per match of `name` against the many-star mask; a wrong answer
// fails the measure.
double TimeMatches(const std::wstring& name, bool expected, int count) {
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) {
    if (wf::MatchesMask(name, kManyStars) != expected)
      throw BenchError(std::string("MatchesMask answered ") + (expected ? "false" : "true"));
  }
  return SecondsSince(start) / count;
}

void SampleMask(Measure& measure, const std::wstring& name, bool expected, int runs) {
  Sample(measure, runs, [&](int run) {
    if (run == 0) {
      const double first = TimeMatches(name, expected, 1);
      if (first > kRunawayMatchSeconds) {
        measure.note = "first match took " + Format(first, "%.3f") + " s; not repeated";
        return first;
      }
    }
    return TimeMatches(name, expected, kMatchesPerSample);
  });
}

// The enumeration of a fresh walk over the folder, up to kQuestionObjects
// objects, each asked `ask`. Answers how many objects it saw.
template <class Ask>
int TimeWalk(const std::wstring& folder, Measure& measure, Ask&& ask) {
  wf::TDirwalker walker;
  walker.SetFolder(folder);
  int objects = 0;
  const auto start = Clock::now();
  while (objects < kQuestionObjects && walker.NextObject()) {
    ask(walker);
    ++objects;
  }
  measure.Add(SecondsSince(start));
  return objects;
}

std::string PerObject(const Measure& m, int objects) {
  return Format(m.median() / objects * 1e6, "%.2f") + " us per object";
}

}  // namespace

MaskReport MeasureMask(int runs) {
  MaskReport report;
  const std::wstring name(kMaskNameLength, L'a');
  SampleMask(report.miss, name, false, runs);
  SampleMask(report.match, name + L"b", true, runs);
  return report;
}

void PrintMask(const MaskReport& r) {
  std::printf("  a filter must stay fast however many stars it holds: %zu-character name, %ls\n",
              kMaskNameLength, kManyStars);
  for (const Measure* m : {&r.miss, &r.match}) {
    std::printf("  %-40s %5d %10s us per match  %s\n", m->label.c_str(), m->runs,
                Format(m->median() * 1e6, "%.3f").c_str(), NoteOf(*m, "").c_str());
  }
  for (const Measure* m : {&r.miss, &r.match})
    std::printf("RESULT measure=%s runs=%zu seconds=%s\n", m->key.c_str(), m->samples.size(),
                Format(m->median(), "%.9f").c_str());
}

QuestionsReport MeasureQuestions(const std::wstring& folder, int runs) {
  QuestionsReport report;
  if (runs <= 0) report.fill.failure = report.names.failure = "skipped (--extra-runs 0)";
  for (int run = 0; run < runs; ++run) {
    try {
      report.objects = TimeWalk(folder, report.fill, [](wf::TDirwalker& walker) {
        walker.IsFolder();
        walker.IsHidden();
        wf::ChildIdList id = walker.ObjectIdCopy();
      });
      const int named =
          TimeWalk(folder, report.names, [](wf::TDirwalker& walker) { walker.DisplayName(); });
      if (named != report.objects)
        throw BenchError("the walks saw " + std::to_string(report.objects) + " and " +
                         std::to_string(named) + " objects");
    } catch (const std::exception& e) {
      report.fill.failure = e.what();
      return report;
    }
  }
  return report;
}

void PrintQuestions(int size, const QuestionsReport& r) {
  const double ratio = r.fill.median() / r.names.median();
  const char* verdict = std::isnan(ratio) ? "" : ratio < 1 ? "within target" : "OVER target";
  std::printf(
      "  the folder object's questions per object while the list fills, against the same\n"
      "  enumeration asking display names (target: ratio < 1), first %d objects\n",
      r.objects);
  std::printf("  %-40s %5d %10s  %s\n", r.fill.label.c_str(), r.fill.runs,
              Format(r.fill.median(), "%.6f").c_str(),
              NoteOf(r.fill, "NextObject, IsFolder, IsHidden, ObjectIdCopy; " +
                                 PerObject(r.fill, r.objects))
                  .c_str());
  std::printf("  %-40s %5d %10s  %s\n", r.names.label.c_str(), r.names.runs,
              Format(r.names.median(), "%.6f").c_str(),
              NoteOf(r.names, PerObject(r.names, r.objects)).c_str());
  std::printf("  %-40s %16s  %s\n", "  ratio, fill questions to names",
              Format(ratio, "%.3f").c_str(), verdict);
  std::printf(
      "RESULT size=%d measure=%s runs=%zu seconds=%s names_seconds=%s ratio_to_names=%s "
      "objects=%d\n",
      size, r.fill.key.c_str(), r.fill.samples.size(), Format(r.fill.median(), "%.6f").c_str(),
      Format(r.names.median(), "%.6f").c_str(), Format(ratio, "%.4f").c_str(), r.objects);
}

}  // namespace bench
