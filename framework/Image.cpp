// Pictures and the image control that shows one.
#include "framework/Image.h"

#include <algorithm>

namespace wf {

TPicture::TPicture() {
  bitmap_.OnChange = [this](TObject*) { Changed(); };
}

void TPicture::SetIcon(UniqueIcon icon) {
  icon_ = std::move(icon);
  icon_size_ = {};
  ICONINFO info{};
  if (icon_ && GetIconInfo(icon_.get(), &info)) {
    // GetIconInfo hands back copies of the icon's bitmaps to free.
    UniqueBitmap mask(info.hbmMask), colour(info.hbmColor);
    BITMAP bits{};
    if (GetObjectW(info.hbmMask, sizeof(bits), &bits)) {
      // A monochrome icon keeps its AND and XOR masks one above the other.
      icon_size_ = {bits.bmWidth, colour ? bits.bmHeight : bits.bmHeight / 2};
    }
  }
  Changed();
}

int TPicture::Width() const {
  return icon_ ? icon_size_.cx : bitmap_.Width();
}

int TPicture::Height() const {
  return icon_ ? icon_size_.cy : bitmap_.Height();
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  picture_.OnChange = [this](TObject*) { Invalidate(); };
}

void TImage::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Invalidate();
}

void TImage::Paint(HDC dc) {
  if (picture_.Empty()) return;
  if (HICON icon = picture_.Icon()) {
    DrawIconEx(dc, Left(), Top(), icon, picture_.Width(), picture_.Height(), 0, nullptr, DI_NORMAL);
    return;
  }
  const TBitmap& bitmap = picture_.Bitmap();
  const int width = std::min(Width(), bitmap.Width());
  const int height = std::min(Height(), bitmap.Height());
  if (width <= 0 || height <= 0) return;
  if (transparent_) {
    const COLORREF key = GetPixel(bitmap.Dc(), 0, bitmap.Height() - 1);
    TransparentBlt(dc, Left(), Top(), width, height, bitmap.Dc(), 0, 0, width, height, key);
  } else {
    BitBlt(dc, Left(), Top(), width, height, bitmap.Dc(), 0, 0, SRCCOPY);
  }
}

}  // namespace wf
