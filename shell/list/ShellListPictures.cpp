// Rows' pictures beyond the shell's icons: thumbnails.
#include <cmath>

#include "framework/Exceptions.h"
#include "shell/list/ShellControls.h"
#include "shell/list/ShellListParts.h"

namespace wf {

namespace {
// A file changed this recently (in days: 17.28 s) gets its picture again.
constexpr double kFreshPictureDays = 0.0002;

void RequireSize(int value, const wchar_t* side) {
  if (value < 1)
    throw Exception(std::wstring(L"The thumbnail ") + side + L" must be at least 1 pixel, not " +
                    std::to_wstring(value) + L".");
}
}  // namespace

void TKivShellList::SetThumbnails(bool value) {
  if (value == thumbnails_) return;
  if (value) {
    SetLargeImages(parts_->thumbnails.Images().Handle());
    TCustomListView::SetViewStyle(TViewStyle::vsIcon);
  } else {
    SetLargeImages(large_image_list_->Handle());
  }
  thumbnails_ = value;
  Populate();
}

int TKivShellList::ThumbnailWidth() const {
  return parts_->thumbnails.Images().Width();
}

int TKivShellList::ThumbnailHeight() const {
  return parts_->thumbnails.Images().Height();
}

void TKivShellList::SetThumbnailWidth(int width) {
  RequireSize(width, L"width");
  if (width != ThumbnailWidth()) parts_->thumbnails.Resize(width, ThumbnailHeight());
}

void TKivShellList::SetThumbnailHeight(int height) {
  RequireSize(height, L"height");
  if (height != ThumbnailHeight()) parts_->thumbnails.Resize(ThumbnailWidth(), height);
}

TKivThumbnailThread* TKivShellList::CreateThumbnailJob(int slot, uint32_t population_tick,
                                                       int width, int height,
                                                       PCIDLIST_ABSOLUTE item) {
  return new TKivThumbnailThread(slot, population_tick, width, height, item);
}

// A row the merge found again gets a fresh picture, in its own slot, when
// its file has just changed; one not drawn yet (or reset by the merge
// already) makes it when next drawn.
void TKivShellList::RefreshRowPicture(TListItem* item) {
  TKivShellListItem* record = RecordOf(item);
  if (ViewStyle() != TViewStyle::vsIcon || !thumbnails_ || !record || !record->ItemId ||
      item->ImageIndex() < 0)
    return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  if (std::fabs(SystemTimeToDateTime(now) - row_query_.ModifiedTime(record->ItemId.get())) <
      kFreshPictureDays) {
    item->SetImageIndex(-1);
    item->Redraw();
  }
}

}  // namespace wf
