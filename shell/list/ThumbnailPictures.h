#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "framework/Handles.h"
#include "framework/ImageList.h"
#include "shell/notify/ThreadPool.h"
#include "shell/list/ThumbnailThread.h"

namespace wf {

class TKivShellList;
class TListItem;
class TKivShellListItem;

// The rows' pictures while the list shows thumbnails: one slot of its image
// list a row, first a framed icon, then what a pool job extracted. A result
// lands only on the row it was made for and only while that row still
// awaits it: a new population, a size change or a newer request for the row
// drops it. Rows are never matched by place.
class ThumbnailPictures {
 public:
  explicit ThumbnailPictures(TKivShellList& list);
  ~ThumbnailPictures();
  ThumbnailPictures(const ThumbnailPictures&) = delete;
  ThumbnailPictures& operator=(const ThumbnailPictures&) = delete;

  TCustomImageList& Images() { return *images_; }
  // Waits for the jobs (they complete into the rows and image lists).
  void Stop() { pool_.TerminateAll(true); }
  // Every full population: old jobs told to stop, the pictures gone.
  void NewPopulation();
  // Every picture is made again at the new size.
  void Resize(int width, int height);
  // The row's placeholder in its own slot, and a job for its picture
  // unless it is the parent entry.
  void MakePicture(TListItem* row, TKivShellListItem& record, int icon_index);
  void Forget(TListItem* row);
  TKivThumbnailThread* CurrentJob() const { return current_job_; }

 private:
  void Completed(TKivThumbnailThread* job);
  // The framed icon, made once an icon and size.
  HBITMAP Placeholder(int icon_index);

  TKivShellList& list_;
  std::unique_ptr<TCustomImageList> images_;
  uint32_t population_tick_ = 0;
  uint32_t last_serial_ = 0;
  TKivThumbnailThread* current_job_ = nullptr;
  // The rows waiting for a job's picture, by the job's serial.
  std::unordered_map<uint32_t, TListItem*> awaited_;
  // By icon index: rows of one kind share their placeholder.
  std::unordered_map<int, UniqueBitmap> placeholders_;
  std::shared_ptr<ExtractionGate> gate_ = std::make_shared<ExtractionGate>();
  // Last: its jobs complete into everything above.
  TThreadPool pool_;
};

}  // namespace wf
