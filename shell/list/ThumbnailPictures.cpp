// Thumbnail pictures of the rows.
#include "shell/list/ThumbnailPictures.h"

#include "framework/Graphics.h"
#include "shell/list/ShellControls.h"

namespace wf {

namespace {
constexpr TColor kFrameColor = 0xC0C0C0;  // silver
constexpr int kDefaultSize = 100;
// A slot a drawn row: a list that grew 16 at a time spent, under Wine, 10 ms
// an added picture at 2,000 rows copying itself (bench/run.sh --measures
// background).
constexpr int kSlotsGrowth = 1024;

// Into the slot when it is one, else onto the end; the slot, or -1. The
// image list copies the picture, which must be in no device context.
int Store(TCustomImageList& images, HBITMAP picture, int slot) {
  if (slot >= 0 && slot < images.Count()) return images.Replace(slot, picture) ? slot : -1;
  return images.Add(picture);
}
}  // namespace

ThumbnailPictures::ThumbnailPictures(TKivShellList& list)
    : list_(list), images_(std::make_unique<TCustomImageList>(nullptr)) {
  images_->CreateSize(kDefaultSize, kDefaultSize, false, kSlotsGrowth);
  pool_.OnCompletion = [this](TKivThread* job) {
    Completed(static_cast<TKivThumbnailThread*>(job));
  };
}

ThumbnailPictures::~ThumbnailPictures() {
  Stop();
}

void ThumbnailPictures::NewPopulation() {
  pool_.TerminateAll(false);
  awaited_.clear();
  images_->Clear();
  placeholders_.clear();
  population_tick_ = GetTickCount();
}

void ThumbnailPictures::Resize(int width, int height) {
  pool_.TerminateAll(false);
  awaited_.clear();
  images_->SetSize(width, height);
  placeholders_.clear();
  // Slots are numbered afresh from here: no row keeps one.
  for (int i = 0, n = list_.Items().Count(); i < n; ++i) {
    if (TKivShellListItem* record = TKivShellList::RecordOf(list_.Items()[i])) {
      record->PictureSlot = -1;
      record->PictureJob = 0;
    }
  }
  list_.ResetImageIndexes();
}

HBITMAP ThumbnailPictures::Placeholder(int icon_index) {
  UniqueBitmap& cached = placeholders_[icon_index];
  if (cached) return cached.get();
  const int width = images_->Width(), height = images_->Height();
  TBitmap picture;
  picture.Resize(width, height, clWindow);
  picture.Frame(kFrameColor);
  HIMAGELIST icons = list_.LargeSystemImages().Handle();
  int icon_width = 0, icon_height = 0;
  ImageList_GetIconSize(icons, &icon_width, &icon_height);
  ImageList_Draw(icons, icon_index, picture.Dc(), (width - icon_width) / 2,
                 (height - icon_height) / 2, ILD_NORMAL);
  cached.reset(picture.ReleaseHandle());
  return cached.get();
}

void ThumbnailPictures::MakePicture(TListItem* row, TKivShellListItem& record, int icon_index) {
  const int width = images_->Width(), height = images_->Height();
  const int slot = Store(*images_, Placeholder(icon_index), record.PictureSlot);
  record.PictureSlot = slot;
  awaited_.erase(record.PictureJob);
  record.PictureJob = 0;
  row->SetImageIndex(slot);
  if (slot < 0 || record.IsParentEntry || !record.ItemId) return;

  TKivThumbnailThread* job = list_.CreateThumbnailJob(
      slot, population_tick_, width, height, list_.row_query_.AbsoluteIdList(record.ItemId.get()));
  if (!job) return;
  job->SetSerial(++last_serial_);
  job->SetGate(gate_);
  record.PictureJob = job->Serial();
  awaited_[job->Serial()] = row;
  current_job_ = job;
  pool_.AddJob(job);
}

void ThumbnailPictures::Forget(TListItem* row) {
  TKivShellListItem* record = TKivShellList::RecordOf(row);
  if (record && record->PictureJob) awaited_.erase(record->PictureJob);
}

void ThumbnailPictures::Completed(TKivThumbnailThread* job) {
  if (job == current_job_) current_job_ = nullptr;
  UniqueBitmap result(job->TakeResult());
  const auto it = awaited_.find(job->Serial());
  if (it == awaited_.end()) return;
  TListItem* row = it->second;
  awaited_.erase(it);
  TKivShellListItem* record = TKivShellList::RecordOf(row);
  if (!record || record->PictureJob != job->Serial()) return;
  record->PictureJob = 0;
  if (!result || job->Terminated() || job->PopulationTick() != population_tick_ ||
      job->TargetIndex() >= images_->Count() || row->ImageIndex() != job->TargetIndex())
    return;
  TBitmap picture;
  if (!picture.TakeOver(result.release())) return;
  picture.Resize(picture.Width(), images_->Height(), clWindow);
  picture.Resize(images_->Width(), images_->Height(), clWindow);
  picture.Frame(kFrameColor);
  const UniqueBitmap handle(picture.ReleaseHandle());
  if (Store(*images_, handle.get(), job->TargetIndex()) >= 0) row->Redraw();
}

}  // namespace wf
