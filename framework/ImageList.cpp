// Image lists.
#include "framework/ImageList.h"

#include "framework/Handles.h"

namespace wf {

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() {
  FreeHandle();
}

void TCustomImageList::FreeHandle() {
  if (handle_ && !share_handle_) ImageList_Destroy(handle_);
  handle_ = nullptr;
}

void TCustomImageList::SetHandle(HIMAGELIST handle) {
  if (handle == handle_) return;
  FreeHandle();
  handle_ = handle;
  Changed();
}

void TCustomImageList::CreateSize(int width, int height, bool masked, int grow) {
  FreeHandle();
  share_handle_ = false;
  handle_ = ImageList_Create(width, height, masked ? ILC_COLOR32 | ILC_MASK : ILC_COLOR24, 0, grow);
  Changed();
}

void TCustomImageList::SetSize(int width, int height) {
  if (!handle_) return;
  ImageList_SetIconSize(handle_, width, height);
  Changed();
}

int TCustomImageList::Add(HBITMAP bitmap) {
  if (!handle_ || !bitmap) return -1;
  const int index = ImageList_Add(handle_, bitmap, nullptr);
  if (index >= 0) Changed();
  return index;
}

int TCustomImageList::AddMasked(HBITMAP bitmap, COLORREF mask) {
  if (!handle_ || !bitmap) return -1;
  const int index = ImageList_AddMasked(handle_, bitmap, mask);
  if (index >= 0) Changed();
  return index;
}

bool TCustomImageList::Replace(int index, HBITMAP bitmap) {
  if (!handle_ || !bitmap || index < 0 || index >= Count()) return false;
  if (!ImageList_Replace(handle_, index, bitmap, nullptr)) return false;
  Changed();
  return true;
}

int TCustomImageList::Width() const {
  int cx = 0, cy = 0;
  if (handle_) ImageList_GetIconSize(handle_, &cx, &cy);
  return cx;
}

int TCustomImageList::Height() const {
  int cx = 0, cy = 0;
  if (handle_) ImageList_GetIconSize(handle_, &cx, &cy);
  return cy;
}

int TCustomImageList::Count() const {
  return handle_ ? ImageList_GetImageCount(handle_) : 0;
}

bool TCustomImageList::AddImages(const TCustomImageList& source) {
  if (!source.handle_) return false;
  if (!handle_) CreateSize(source.Width(), source.Height());
  bool all = true;
  for (int i = 0, n = source.Count(); i < n; ++i) {
    UniqueIcon icon(ImageList_GetIcon(source.handle_, i, ILD_TRANSPARENT));
    if (!icon || ImageList_AddIcon(handle_, icon.get()) < 0) all = false;
  }
  Changed();
  return all;
}

void TCustomImageList::Clear() {
  if (handle_ && !share_handle_) ImageList_RemoveAll(handle_);
  Changed();
}

void TCustomImageList::SetBkColor(TColor color) {
  bk_color_ = color;
  if (handle_) ImageList_SetBkColor(handle_, ColorToRGB(color));
}

}  // namespace wf
