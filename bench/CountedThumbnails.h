#pragma once

// A shell list whose thumbnail jobs report what they did: the seam
// CreateThumbnailJob makes jobs that keep a tally shared with the measure.
//
// When a picture landed is known from the job's end: the thread hands the
// job's end to the user-interface thread and waits there until the pool's
// completion (which stores the picture in the row's slot and redraws the
// row) has run; only then is the job freed. A job's destructor therefore
// runs after its picture landed, on the job's thread, a context switch
// later at most.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "bench/BenchCore.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ThumbnailThread.h"

namespace bench {

// Shared by the jobs (their threads) and the measure (the user-interface
// thread); jobs hold it, so one left running past its pool still has it.
class JobTally {
 public:
  static constexpr int kNoPriority = THREAD_PRIORITY_ERROR_RETURN;

  // From here on, counts start at nothing and times run from `origin`.
  void Restart(Clock::time_point origin);

  // A row asked for its picture; a job was made for it, or none.
  void PictureAsked() { ++asked_; }
  void JobMade() { ++made_; }
  void Ran(int priority);
  // `landed`: the job made a picture and was not told to stop.
  void Ended(bool landed);

  int Asked() const { return asked_; }
  int Made() const { return made_; }
  int EndedCount() const { return ended_; }
  int Landed() const { return landed_; }
  // Seconds from the origin to the end of the last job that landed.
  double LastLandedSeconds() const;
  // What GetThreadPriority answered on the first job's thread.
  int JobPriority() const { return priority_; }

 private:
  std::atomic<int> asked_{0}, made_{0}, ended_{0}, landed_{0};
  std::atomic<int> priority_{kNoPriority};
  std::atomic<int64_t> origin_{0};
  std::atomic<int64_t> last_landed_{0};
};

// The list's own job, counted.
class CountedThumbnailJob : public wf::TKivThumbnailThread {
 public:
  CountedThumbnailJob(std::shared_ptr<JobTally> tally, int slot, uint32_t population_tick,
                      int width, int height, PCIDLIST_ABSOLUTE item);
  ~CountedThumbnailJob() override;

 protected:
  void Execute() override;

 private:
  std::shared_ptr<JobTally> tally_;
  bool made_picture_ = false;
};

class CountedShellList : public wf::TKivShellList {
 public:
  CountedShellList(wf::TComponent* owner, std::shared_ptr<JobTally> tally);

  // Off: the rows keep their placeholders, no job is made.
  void SetMakesJobs(bool value) { makes_jobs_ = value; }
  // Rows that still await a job's picture, and rows never drawn.
  int RowsAwaitingPictures();

 protected:
  wf::TKivThumbnailThread* CreateThumbnailJob(int slot, uint32_t population_tick, int width,
                                              int height, PCIDLIST_ABSOLUTE item) override;

 private:
  std::shared_ptr<JobTally> tally_;
  bool makes_jobs_ = true;
};

}  // namespace bench
