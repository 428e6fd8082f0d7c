#include "bench/BackgroundWorkMeasure.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "bench/BenchCore.h"
#include "bench/Memory.h"
#include "bench/PictureFolder.h"
#include "bench/PoolOverhead.h"
#include "bench/PriorityProbe.h"
#include "bench/SerialExtraction.h"
#include "bench/ThumbnailScroll.h"

namespace bench {
namespace {

// Below this share of a normal thread's turns, the scheduler is taken to
// apply the lower priority; an even split is 1.
constexpr double kAppliedShare = 0.9;

const char* Verdict(bool met) {
  return met ? "within target" : "OVER target";
}

std::string Milliseconds(double seconds) {
  return Format(seconds * 1000.0, "%.1f");
}

double Mean(const std::vector<double>& values) {
  if (values.empty()) return kNotMeasured;
  return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

double Longest(const std::vector<double>& values) {
  return values.empty() ? kNotMeasured : *std::max_element(values.begin(), values.end());
}

std::string Bytes(SIZE_T bytes) {
  return std::to_string(bytes);
}

std::string Growth(SIZE_T from, SIZE_T to) {
  const double growth = static_cast<double>(to) - static_cast<double>(from);
  return Format(growth, "%+.0f");
}

const char* PriorityName(int priority) {
  switch (priority) {
    case THREAD_PRIORITY_IDLE:
      return "idle";
    case THREAD_PRIORITY_LOWEST:
      return "lowest";
    case THREAD_PRIORITY_BELOW_NORMAL:
      return "below normal";
    case THREAD_PRIORITY_NORMAL:
      return "normal";
    case THREAD_PRIORITY_ABOVE_NORMAL:
      return "above normal";
    case THREAD_PRIORITY_HIGHEST:
      return "highest";
    case THREAD_PRIORITY_TIME_CRITICAL:
      return "time critical";
    default:
      return "no answer";
  }
}

std::string ExtractionPath(const SerialExtraction& serial) {
  char text[160];
  if (serial.shellAnswered == 0)
    std::snprintf(text, sizeof text,
                  "the WIC fallback (the shell's IExtractImage answered none of %d asked)",
                  serial.shellAsked);
  else if (serial.shellAnswered == serial.shellAsked)
    std::snprintf(text, sizeof text, "the shell's IExtractImage (all %d asked answered)",
                  serial.shellAsked);
  else
    std::snprintf(text, sizeof text, "both: the shell's IExtractImage answered %d of %d asked",
                  serial.shellAnswered, serial.shellAsked);
  return text;
}

void PrintPictures(const PictureFolders& folders) {
  std::printf("  pictures: %zu JPEG files of %dx%d, %zu bytes each, in %s (%s); small folder %s\n",
              folders.large.files.size(), kPictureWidth, kPictureHeight, folders.bytesPerPicture,
              ToUtf8(folders.large.path).c_str(), folders.made ? "made now" : "reused",
              ToUtf8(folders.small.path).c_str());
}

void PrintSerial(const SerialExtraction& serial) {
  const double mean = serial.MeanMilliseconds();
  std::printf(
      "  one extraction to %dx%d, serially on one thread (COM initialised once): mean %s ms "
      "(needs >= %.0f ms: %s); %d of %d made a picture; all of them %s s\n",
      kThumbnailSide, kThumbnailSide, Format(mean, "%.3f").c_str(), kLeastExtractionMs,
      mean >= kLeastExtractionMs ? "yes" : "NO, the pictures are too cheap", serial.pictures,
      serial.items, Format(serial.seconds, "%.3f").c_str());
  std::printf("  extraction path: %s\n", ExtractionPath(serial).c_str());
  std::printf(
      "RESULT measure=thumbnail_serial_extraction items=%d seconds=%s mean_ms=%s shell=%d/%d\n",
      serial.items, Format(serial.seconds, "%.6f").c_str(), Format(mean, "%.4f").c_str(),
      serial.shellAnswered, serial.shellAsked);
}

// Where the longest wait began, for finding what held the thread.
std::string WhenAsked(const RoundTrips& trips, const ScrollReport& run) {
  const double seconds = std::chrono::duration<double>(trips.longestAsked - run.origin).count();
  const int page = PageAt(run, trips.longestAsked);
  const std::string where = page < 0 ? "after the last page" : "page " + std::to_string(page);
  return Format(seconds, "%.2f") + " s, " + where;
}

void PrintAnswers(const char* what, const RoundTrips& trips, const ScrollReport& run) {
  if (trips.count == 0) {
    std::printf("    %s: no round trips\n", what);
    return;
  }
  const std::string timeouts =
      trips.timeouts ? ", " + std::to_string(trips.timeouts) + " TIMED OUT" : "";
  std::printf(
      "    %s: %d round trips, median %s ms, p99 %s ms (target <= %.0f, %s), longest %s ms "
      "(target <= %.0f, %s; asked at %s)%s\n",
      what, trips.count, Format(trips.median, "%.2f").c_str(), Format(trips.p99, "%.1f").c_str(),
      kAnswerP99TargetMs, Verdict(trips.p99 <= kAnswerP99TargetMs),
      Format(trips.longest, "%.1f").c_str(), kAnswerLongestTargetMs,
      Verdict(trips.longest <= kAnswerLongestTargetMs), WhenAsked(trips, run).c_str(),
      timeouts.c_str());
}

void PrintAnswersResult(const char* run, const RoundTrips& trips) {
  std::printf(
      "RESULT measure=thumbnail_scroll_answers run=%s round_trips=%d p99_ms=%s longest_ms=%s "
      "target_p99_ms=%.0f target_longest_ms=%.0f timeouts=%d\n",
      run, trips.count, Format(trips.p99, "%.3f").c_str(), Format(trips.longest, "%.3f").c_str(),
      kAnswerP99TargetMs, kAnswerLongestTargetMs, trips.timeouts);
}

// The page downs alone (SetPath's slot left out): how many rows each drew
// for the first time, what a row cost, and whether pages cost more the
// further down the list they are.
void PrintPageDowns(const PageTimes& pages) {
  const size_t count = pages.scroll.size() > 0 ? pages.scroll.size() - 1 : 0;
  if (count == 0) return;
  const std::vector<double> scroll(pages.scroll.begin() + 1, pages.scroll.end());
  const int rows = std::accumulate(pages.rowsDrawn.begin() + 1, pages.rowsDrawn.end(), 0);
  const double seconds = std::accumulate(scroll.begin(), scroll.end(), 0.0);
  const size_t tenth = std::max<size_t>(1, count / 10);
  const std::vector<double> first(scroll.begin(), scroll.begin() + tenth);
  const std::vector<double> last(scroll.end() - tenth, scroll.end());
  std::printf(
      "    page downs: %s rows drawn first a page, %s ms of page down + UpdateWindow a row; "
      "first %zu pages mean %s ms, last %zu mean %s ms\n",
      Format(static_cast<double>(rows) / count, "%.1f").c_str(),
      rows ? Milliseconds(seconds / rows).c_str() : "n/a", tenth, Milliseconds(Mean(first)).c_str(),
      tenth, Milliseconds(Mean(last)).c_str());
}

void PrintPages(const ScrollReport& run) {
  const PageTimes& pages = run.pages;
  std::printf(
      "    a page's %lu ms (%zu pages, the first being SetPath): page down + UpdateWindow mean %s "
      "ms, longest %s ms; handling messages mean %s ms, longest %s ms; waiting mean %s ms\n",
      kPageSlotMs, pages.scroll.size(), Milliseconds(Mean(pages.scroll)).c_str(),
      Milliseconds(Longest(pages.scroll)).c_str(), Milliseconds(Mean(pages.processing)).c_str(),
      Milliseconds(Longest(pages.processing)).c_str(), Milliseconds(Mean(pages.idle)).c_str());
  std::printf(
      "    totals: page down + UpdateWindow %s s, handling messages %s s, waiting %s s; "
      "SetPath and the first page %s ms; the last page's slot ended at %s s\n",
      Format(std::accumulate(pages.scroll.begin(), pages.scroll.end(), 0.0), "%.3f").c_str(),
      Format(std::accumulate(pages.processing.begin(), pages.processing.end(), 0.0), "%.3f")
          .c_str(),
      Format(std::accumulate(pages.idle.begin(), pages.idle.end(), 0.0), "%.3f").c_str(),
      Milliseconds(run.setPathSeconds).c_str(), Format(run.scrollSeconds, "%.3f").c_str());
  PrintPageDowns(pages);
}

void PrintThreadsAndMemory(const ScrollReport& run) {
  std::printf("    process threads: before %d, peak %d (sampled after each round trip), after %d\n",
              run.threadsBefore, run.probe.peakThreads, run.threadsAfter);
  std::printf(
      "    committed private bytes: before the list %s, at the end with the list shown %s (%s), "
      "after closing it %s (%s)\n",
      Bytes(run.memoryBefore.committedPrivate).c_str(),
      Bytes(run.memoryShown.committedPrivate).c_str(),
      Growth(run.memoryBefore.committedPrivate, run.memoryShown.committedPrivate).c_str(),
      Bytes(run.memoryClosed.committedPrivate).c_str(),
      Growth(run.memoryBefore.committedPrivate, run.memoryClosed.committedPrivate).c_str());
  if (run.memoryBefore.privateUsage && run.memoryShown.privateUsage)
    std::printf("    PrivateUsage: before %s, at the end %s\n",
                Bytes(*run.memoryBefore.privateUsage).c_str(),
                Bytes(*run.memoryShown.privateUsage).c_str());
}

void PrintFirstRun(const ScrollReport& run, const SerialExtraction& serial) {
  std::printf("\n  paging through %d thumbnails in a %dx%d list, a page every %lu ms\n",
              kPictureCount, kListWidth, kListHeight, kPageSlotMs);
  PrintAnswers("window answers, SetPath to the last picture",
               Summarize(run.probe, kScrolling, kAwaitingPictures), run);
  PrintAnswers("  while paging", Summarize(run.probe, kScrolling, kScrolling), run);
  PrintAnswers("  after the last page", Summarize(run.probe, kAwaitingPictures, kAwaitingPictures),
               run);
  PrintPages(run);
  const double ratio = run.lastLandedSeconds / serial.seconds;
  std::printf(
      "    last picture landed %s s after SetPath%s; serial extraction %s s; ratio %s (target <= "
      "%.2f, %s); paging alone ends at %s s\n",
      Format(run.lastLandedSeconds, "%.3f").c_str(), run.allLanded ? "" : " (NOT ALL LANDED)",
      Format(serial.seconds, "%.3f").c_str(), Format(ratio, "%.3f").c_str(), kLastLandedTarget,
      Verdict(ratio <= kLastLandedTarget), Format(run.scrollSeconds, "%.3f").c_str());
  std::printf("    jobs made %d, pictures landed %d, rows still without their picture %d\n",
              run.jobsMade, run.jobsLanded, run.rowsAwaiting);
  PrintThreadsAndMemory(run);
  std::printf("    closing the list: %s ms\n", Milliseconds(run.closeSeconds).c_str());
  PrintAnswersResult("plain", Summarize(run.probe, kScrolling, kAwaitingPictures));
  std::printf(
      "RESULT measure=thumbnail_last_landed pictures=%d seconds=%s serial_seconds=%s ratio=%s "
      "target_ratio=%.2f all_landed=%d\n",
      run.jobsLanded, Format(run.lastLandedSeconds, "%.6f").c_str(),
      Format(serial.seconds, "%.6f").c_str(), Format(ratio, "%.4f").c_str(), kLastLandedTarget,
      run.allLanded ? 1 : 0);
  std::printf("RESULT measure=process_threads before=%d peak=%d after=%d\n", run.threadsBefore,
              run.probe.peakThreads, run.threadsAfter);
}

void PrintPlaceholderRun(const ScrollReport& run) {
  std::printf(
      "\n  for comparison, the same paging with no job made (placeholders only, nothing "
      "running beside the window)\n");
  PrintAnswers("window answers, SetPath to the last page",
               Summarize(run.probe, kScrolling, kScrolling), run);
  PrintPages(run);
  PrintAnswersResult("placeholders", Summarize(run.probe, kScrolling, kScrolling));
}

void PrintDetourRun(const ScrollReport& run, int detourPage, const PictureFolders& folders) {
  std::printf(
      "\n  the same paging, with a detour at page %d: to %s (%d pictures) and back, then on "
      "from the same place\n",
      detourPage, ToUtf8(folders.small.path).c_str(), kSmallPictureCount);
  std::printf("    the detour (two SetPath, each drawn, the place restored%s): %s ms\n",
              run.detourRestored ? "" : " - NOT RESTORED", Milliseconds(run.detourSeconds).c_str());
  PrintAnswers("window answers, SetPath to the last page",
               Summarize(run.probe, kScrolling, kScrolling), run);
  PrintPages(run);
  std::printf("    jobs made %d; closing the list with jobs still running or waiting: %s ms\n",
              run.jobsMade, Milliseconds(run.closeSeconds).c_str());
  PrintThreadsAndMemory(run);
  PrintAnswersResult("detour", Summarize(run.probe, kScrolling, kScrolling));
}

void PrintPriority(int jobPriority, const PriorityShare& share) {
  std::string applied;
  if (!share.measured)
    applied = "not measured: " + share.failure;
  else
    applied = std::string(share.share < kAppliedShare ? "yes" : "no") +
              " (on one core, a below-normal spinner got " + Format(share.share * 100, "%.0f") +
              "% of a normal one's turns)";
  std::printf(
      "\n  job threads' priority: GetThreadPriority on a job's thread answers %d (%s); applied "
      "by the scheduler: %s\n",
      jobPriority, PriorityName(jobPriority), applied.c_str());
}

}  // namespace

void RunBackgroundWorkMeasure(const Options& options) {
  std::printf("\n== background work: the thread pool and thumbnails ==\n");
  std::fflush(stdout);
  PrintPoolOverhead(MeasurePoolOverhead(options.runs));
  std::fflush(stdout);
  try {
    const PictureFolders folders = PreparePictureFolders(options.root);
    PrintPictures(folders);
    const SerialExtraction serial =
        ExtractSerially(folders.large.files, kThumbnailSide, kThumbnailSide);
    PrintSerial(serial);
    std::fflush(stdout);

    ScrollPlan plan;
    plan.folder = folders.large.path;
    plan.smallFolder = folders.small.path;
    plan.folderPictures = kPictureCount;
    plan.timeoutSeconds = options.viewTimeoutSeconds;
    plan.awaitPictures = true;
    const ScrollReport first = RunThumbnailScroll(plan);
    PrintFirstRun(first, serial);
    std::fflush(stdout);

    plan.awaitPictures = false;
    plan.detourPage = static_cast<int>(first.pages.scroll.size()) / 2;
    PrintDetourRun(RunThumbnailScroll(plan), plan.detourPage, folders);
    std::fflush(stdout);

    plan.detourPage = -1;
    plan.makeJobs = false;
    PrintPlaceholderRun(RunThumbnailScroll(plan));
    PrintPriority(first.jobPriority, MeasureBelowNormalShare());
  } catch (const std::exception& e) {
    std::printf("  not measured: %s\n", e.what());
  }
  std::fflush(stdout);
}

}  // namespace bench
