#include "bench/CountedThumbnails.h"

#include <utility>

namespace bench {
namespace {

int64_t Ticks(Clock::time_point point) {
  return point.time_since_epoch().count();
}

}  // namespace

void JobTally::Restart(Clock::time_point origin) {
  asked_ = 0;
  made_ = 0;
  ended_ = 0;
  landed_ = 0;
  origin_ = Ticks(origin);
  last_landed_ = Ticks(origin);
}

void JobTally::Ran(int priority) {
  int none = kNoPriority;
  priority_.compare_exchange_strong(none, priority);
}

void JobTally::Ended(bool landed) {
  if (landed) {
    const int64_t now = Ticks(Clock::now());
    int64_t last = last_landed_;
    while (now > last && !last_landed_.compare_exchange_weak(last, now)) {
    }
    ++landed_;
  }
  ++ended_;
}

double JobTally::LastLandedSeconds() const {
  const Clock::duration span(last_landed_ - origin_);
  return std::chrono::duration<double>(span).count();
}

CountedThumbnailJob::CountedThumbnailJob(std::shared_ptr<JobTally> tally, int slot,
                                         uint32_t population_tick, int width, int height,
                                         PCIDLIST_ABSOLUTE item)
    : TKivThumbnailThread(slot, population_tick, width, height, item), tally_(std::move(tally)) {}

CountedThumbnailJob::~CountedThumbnailJob() {
  tally_->Ended(made_picture_ && !Terminated());
}

void CountedThumbnailJob::Execute() {
  tally_->Ran(GetThreadPriority(GetCurrentThread()));
  TKivThumbnailThread::Execute();
  // Looked at and put back: the completion takes it from the job.
  HBITMAP picture = TakeResult();
  made_picture_ = picture != nullptr;
  SetResult(picture);
}

CountedShellList::CountedShellList(wf::TComponent* owner, std::shared_ptr<JobTally> tally)
    : TKivShellList(owner), tally_(std::move(tally)) {}

int CountedShellList::RowsAwaitingPictures() {
  int awaiting = 0;
  for (int i = 0, n = Items().Count(); i < n; ++i) {
    wf::TListItem* row = Items()[i];
    const wf::TKivShellListItem* record = RecordOf(row);
    if (!record || record->IsParentEntry) continue;
    if (record->PictureJob != 0 || row->ImageIndex() < 0) ++awaiting;
  }
  return awaiting;
}

wf::TKivThumbnailThread* CountedShellList::CreateThumbnailJob(int slot, uint32_t population_tick,
                                                              int width, int height,
                                                              PCIDLIST_ABSOLUTE item) {
  tally_->PictureAsked();
  if (!makes_jobs_) return nullptr;
  tally_->JobMade();
  return new CountedThumbnailJob(tally_, slot, population_tick, width, height, item);
}

}  // namespace bench
